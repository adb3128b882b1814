// The splash and the alert window's picture.
#include "shell/splash.h"

#include "shell/palette.h"

namespace korel {

Rect drawSplashScreen(Surface& canvas, Fonts& fonts, const Surface& picture, int cx, int cy,
                      std::string_view text) {
    const Rect logo{cx - 72, cy - 35, cx - 72 + kSplashWidth, cy - 35 + kSplashHeight};
    canvas.fillRect(logo, ui::Black);
    copySurface(canvas, logo.left, logo.top, picture, picture.bounds());
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
