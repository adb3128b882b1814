// The converter's GTK window under a display: a bundled brush's source bitmap opened through
// the real Open dialog, the fields' filters, Blue Mask, a brush saved through the Save dialog
// and loaded by the engine. Skips without a display. KOREL_PICTOMAT_SHOT=path keeps a
// screenshot of the window with its preview.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/brush.h"
#include "library/gen/colour_code.h"
#include "library/gen/designs.h"
#include "library/gen/image24.h"
#include "platform/files.h"
#include "platform/gtk/pictomat_window.h"
#include "support/test_services.h"

using namespace korel;
using pictomat::Check;
using pictomat::Command;
using pictomat::Field;

TEST(PictomatWindow, OpensABundledBitmapAndSavesABrushTheEngineLoads) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    setenv("GSETTINGS_BACKEND", "memory", 1);
    test::TempFolder temp;
    const art::BrushDesign* design = nullptr;
    for (const art::BrushDesign& d : art::brushDesigns())
        if (d.settings.blueMask && d.frames > 1) design = &d;
    ASSERT_NE(design, nullptr);
    const std::string bitmap = temp.file(art::bitmapName(*design) + ".bmp");
    ASSERT_EQ(writeFileReplacing(bitmap, art::encodeBmp24(art::paint(art::drawBrush(*design)))), 0);

    pictomat::WindowModel model;
    gtkui::PictomatWindow window(model);
    ASSERT_TRUE(window.start());
    EXPECT_EQ(window.shownTitle(), "Pictomat");
    EXPECT_EQ(window.shownStatus(), "First open bitmap file.");

    // A failed Open beeps and shows why.
    const std::string bad = temp.file("Broken.bmp");
    ASSERT_EQ(writeFileReplacing(bad, Bytes{'B', 'X', 0, 0}), 0);
    window.answerNextDialog(bad);
    window.command(Command::Open);
    EXPECT_EQ(window.lastDialogFilters(), "Bitmap");
    EXPECT_EQ(window.shownStatus(), "Not a bitmap file!");
    EXPECT_EQ(window.beeps(), 1);

    window.answerNextDialog(bitmap);
    window.command(Command::Open);
    EXPECT_EQ(window.beeps(), 1);
    EXPECT_EQ(window.shownStatus(), "Apply settings then save file.");
    EXPECT_EQ(window.shownTitle(), art::bitmapName(*design) + ".bmp");
    EXPECT_EQ(window.shownField(Field::Frames), std::to_string(design->frames));

    // Typing goes through the fields' own filters.
    window.enterText(Field::Sections1, "x");
    EXPECT_EQ(window.shownField(Field::Sections1), "2");
    window.enterText(Field::Sections1, "00");
    EXPECT_EQ(window.shownField(Field::Sections1), "200");
    window.enterText(Field::Sections1, "1");
    EXPECT_EQ(window.shownField(Field::Sections1), "200");
    window.enterText(Field::Frames, "5");
    EXPECT_EQ(window.shownField(Field::Frames), std::to_string(design->frames));
    window.replaceText(Field::Sections2, "0");
    EXPECT_EQ(window.shownField(Field::Sections2), "1");
    window.replaceText(Field::Sections2, "ab");
    EXPECT_EQ(window.shownField(Field::Sections2), "");
    window.replaceText(Field::Sections2, "2");
    window.enterText(Field::Multiply, "0");  // "10"
    EXPECT_EQ(window.shownField(Field::Total), std::to_string(10 * design->frames));

    // Back to the design's settings, clicking as a user would.
    window.click(Check::Palindrome);
    EXPECT_TRUE(model.checked(Check::Palindrome));
    window.clickKind(pictomat::AssetKind::Fill);
    window.clickKind(pictomat::AssetKind::Brush);
    EXPECT_EQ(model.checked(Check::BlueMask), model.containsBlue());
    if (!model.checked(Check::BlueMask)) window.click(Check::BlueMask);
    EXPECT_TRUE(model.checked(Check::BlueMask));
    if (const char* shot = std::getenv("KOREL_PICTOMAT_SHOT")) {
        EXPECT_TRUE(window.screenshot(shot));
    }

    // The 16-letter name is refused; the proposed name is saved.
    window.answerNextDialog(temp.file("Sixteen_Letters_.bru"));
    window.command(Command::SaveAs);
    EXPECT_EQ(window.lastDialogTitle(), "Save Brush as:");
    EXPECT_EQ(window.lastDialogFilters(), "Brush");
    EXPECT_EQ(window.shownStatus(), "The file name is too long! 15 letters is maximum.");
    EXPECT_FALSE(fileExists(temp.file("Sixteen_Letters_.bru")));

    const std::string proposed = model.proposedSaveName();
    window.answerNextDialog(temp.file(proposed));
    window.command(Command::SaveAs);
    EXPECT_EQ(window.lastDialogName(), proposed);
    EXPECT_EQ(window.shownStatus(), "Art conversion successful!");
    Bytes file;
    ASSERT_EQ(readWholeFile(temp.file(proposed), file), 0);
    BrushAsset brush;
    EXPECT_EQ(decodeBrush(file, 0, brush), nullptr);
    EXPECT_EQ(brush.frameCount, 10 * design->frames);

    window.command(Command::Quit);
    EXPECT_TRUE(window.closed());
}
