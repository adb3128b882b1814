// The splash logo (drawn by code) and the alert window's picture.
#include "shell/splash.h"

#include <cmath>

#include "shell/palette.h"

namespace korel {

namespace {

// A ring of spokes around a disc: the Korel mark, in the interface colours.
void drawMark(Surface& s, int cx, int cy, int radius) {
    static const uint8_t colours[] = {ui::Amber, ui::Orange, ui::Violet, ui::Blue, ui::Green191};
    for (int y = -radius; y <= radius; ++y)
        for (int x = -radius; x <= radius; ++x) {
            double r = std::sqrt(double(x * x + y * y));
            if (r > radius) continue;
            double a = std::atan2(double(y), double(x));
            int spoke = int(std::floor((a + M_PI) / (2 * M_PI) * 10.0));
            bool inSpoke = std::fmod((a + M_PI) / (2 * M_PI) * 10.0, 1.0) < 0.5;
            if (r < radius * 0.35) {
                s.set(cx + x, cy + y, ui::Light);
            } else if (inSpoke) {
                s.set(cx + x, cy + y, colours[spoke % 5]);
            }
        }
}

}  // namespace

Rect drawSplashScreen(Surface& canvas, Fonts& fonts, int cx, int cy, std::string_view text) {
    const Rect logo{cx - 72, cy - 35, cx - 72 + 145, cy - 35 + 71};
    canvas.fillRect(logo, ui::Black);
    drawMark(canvas, logo.left + 34, logo.top + 35, 30);
    TextStyle title;
    title.font = FontId::Medium;
    title.colour = ui::White;
    drawText(fonts, canvas, Rect{logo.left + 70, logo.top + 20, logo.right, logo.top + 36}, "KOREL",
             title);
    canvas.hline(logo.left + 70, logo.right - 8, logo.top + 40, ui::Amber);
    const Rect band{logo.left, logo.bottom, logo.right, logo.bottom + 24};
    canvas.fillRect(band, ui::Black);
    TextStyle st;
    st.font = FontId::Small;
    st.colour = ui::White;
    st.align = Align::Centre;
    st.vCentre = true;
    drawText(fonts, canvas, band, text, st);
    return Rect{logo.left, logo.top, logo.right, band.bottom};
}

void drawAlertWindow(Surface& canvas, Fonts& fonts, std::string_view text, const Rect& okButton,
                     bool okPressed) {
    canvas.fill(ui::White);
    const Rect box{10, 10, canvas.width() - 10, canvas.height() - 10};
    TextStyle st;
    st.font = FontId::Medium;
    st.colour = ui::Black;
    st.wordWrap = true;
    st.clip = false;
    drawText(fonts, canvas, box, text, st);
    canvas.fillRect(okButton, okPressed ? ui::Grey161 : ui::Light);
    canvas.frameRect(okButton, ui::Black);
    if (!okPressed) {
        canvas.hline(okButton.left + 1, okButton.right - 1, okButton.top + 1, ui::White);
        canvas.hline(okButton.left + 1, okButton.right - 1, okButton.bottom - 2, ui::Grey161);
    }
    TextStyle ok;
    ok.font = FontId::Medium;
    ok.colour = ui::Black;
    ok.align = Align::Centre;
    ok.vCentre = true;
    drawText(fonts, canvas, okButton, "OK", ok);
}

}  // namespace korel
