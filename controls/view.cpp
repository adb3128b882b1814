#include "controls/view.h"

namespace korel {

void ControlsView::present(const Rect& r) {
    if (window_ != kNoWindow && state_.visible) platform().present(window_, r);
}

void ControlsView::track(Tracker t) {
    if (state_.tracking) return;
    tracker_ = std::move(t);
    state_.tracking = true;
}

void ControlsView::text(int x, int baseline, std::string_view s, uint8_t colour) {
    Fonts& f = fonts();
    f.drawRun(canvas(), FontId::Small, x, baseline - f.ascent(FontId::Small), s, colour);
}

void ControlsView::textIn(const Rect& box, std::string_view s, uint8_t colour, Align align) {
    // One line, clipped to the box; drawn run by run so a redraw in the frame tick never
    // allocates.
    Fonts& f = fonts();
    Surface& c = canvas();
    const int width = f.textWidth(FontId::Small, s);
    int x = box.left;
    if (align == Align::Centre) x = box.left + (box.width() - width) / 2;
    if (align == Align::Right) x = box.right - width;
    const int top = box.top + (box.height() - f.lineHeight(FontId::Small)) / 2;
    const Rect clip = c.clip();
    c.setClip(intersect(box, clip));
    f.drawRun(c, FontId::Small, x, top, s, colour);
    c.setClip(clip);
}

void ControlsView::valueField(const Rect& r, std::string_view s, uint8_t colour) {
    canvas().fillRect(r, cc::Black);
    textIn(r, s, colour);
}

void ControlsView::popupField(const Rect& r, std::string_view name) {
    Surface& c = canvas();
    c.fillRect(r, cc::Black);
    c.frameRect(r, cc::LightField);
    textIn(Rect{r.left + 3, r.top, r.right - 13, r.bottom}, name, cc::White, Align::Left);
    copySurface(c, r.right - 12, r.top + 1, pictures_.marker, kPopupMarker);
}

void ControlsView::smallButton(const Rect& r, std::string_view label, bool down, bool isDefault) {
    Surface& c = canvas();
    copySurface(c, r.left, r.top, pictures_.widgets, kSmallButton(down));
    if (isDefault) c.frameRect(Rect{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1}, cc::Green);
    Rect box = r;
    if (down) box = Rect{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
    textIn(box, label, cc::Black);
}

void ControlsView::boxBody(Surface& s, const Rect& r) {
    s.fillRect(r, cc::BoxBody);
    s.hline(r.left, r.right - 1, r.top, cc::Edge);
    s.vline(r.left, r.top, r.bottom - 1, cc::Edge);
    s.hline(r.left, r.right, r.bottom - 1, cc::Black);
    s.vline(r.right - 1, r.top, r.bottom, cc::Black);
    // The shadow one pixel below and right.
    s.hline(r.left + 1, r.right + 1, r.bottom, cc::Black);
    s.vline(r.right, r.top + 1, r.bottom + 1, cc::Black);
}

}  // namespace korel
