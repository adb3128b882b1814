// A stand-in for the settings panels: the area and its title.
#include "controls/panels.h"

namespace korel {

struct Panels::Impl {
    ControlsView& view;
};

Panels::Panels(ControlsView& view) : impl_(new Impl{view}) {}
Panels::~Panels() { delete impl_; }

void Panels::show(int panelId) {
    ControlsState& st = impl_->view.state();
    if (panel::isFilePanel(panelId) && !panel::isFilePanel(st.panel)) st.returnPanel = st.panel;
    st.panel = panelId;
    draw();
}

void Panels::draw() {
    ControlsView& v = impl_->view;
    const int dy = v.panelShift();
    Surface& c = v.canvas();
    c.fillRect(Rect{10, 93 + dy, 201, 155 + dy}, cc::LightField);
    v.present(Rect{7, 68 + dy, 204, 158 + dy});
}

void Panels::returnFromFilePanel() { show(impl_->view.state().returnPanel); }
bool Panels::click(Point, int) { return false; }
void Panels::tick(uint32_t) {}
void Panels::redrawSlider(int) {}
void Panels::redrawIf(int panelId) {
    if (impl_->view.state().panel == panelId) draw();
}
void Panels::beginTextEntry(int purpose, const std::string&) {
    impl_->view.state().entryPurpose = purpose;
    show(panel::TextEntry);
}
bool Panels::textEntryActive() const { return false; }
bool Panels::typeChar(uint32_t, int) { return false; }
int Panels::hoverAt(Point) const { return 0; }

}  // namespace korel
