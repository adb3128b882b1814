// Saving styles and sets under typed names, and loading sets, through the running program.
#include <gtest/gtest.h>

#include "persist/program_files.h"
#include "persist/styles.h"
#include "platform/files.h"
#include "platform/headless/headless_sound.h"
#include "shell/conductor.h"
#include "shell/program.h"
#include "support/running_program.h"
#include "support/test_services.h"

using namespace korel;

using Running = test::RunningLive;

TEST(SaveFile, StylesUnderTypedNames) {
    Running r;
    ASSERT_TRUE(r.ok);
    Conductor& c = r.program->conductor();
    EXPECT_FALSE(c.saveFile(FileKind::Style, "", {}));
    EXPECT_EQ(r.program->shell().pendingMessage,
              "Text field is empty! Please type text into field.");

    ASSERT_TRUE(c.saveFile(FileKind::Style, "My Groove", {}));
    const std::string path = makeFileName(*r.program, FileKind::Style, "My_Groove");
    EXPECT_TRUE(fileExists(path));
    EXPECT_EQ(r.program->visual().name(vs::StyleName), "My_Groove");

    // An existing file is replaced only when the user agrees.
    r.program->visual().set(vs::BrushSpeed, 99);
    EXPECT_FALSE(c.saveFile(FileKind::Style, "My Groove", [] { return false; }));
    VisualState back;
    ASSERT_TRUE(readStyleByName(*r.program, "My_Groove", back));
    EXPECT_EQ(back.get(vs::BrushSpeed), 40);

    // In manual mode the thresholds are saved as 0.
    c.triggers().setManualMode(true);
    ASSERT_TRUE(c.saveFile(FileKind::Style, "My Groove", [] { return true; }));
    ASSERT_TRUE(readStyleByName(*r.program, "My_Groove", back));
    EXPECT_EQ(back.get(vs::BrushSpeed), 99);
    for (int k = 0; k < kTriggerKinds; ++k) EXPECT_EQ(back.get(vs::Thresholds + k), 0);
}

TEST(SaveFile, SetsRoundTripThroughTheEngine) {
    Running r;
    ASSERT_TRUE(r.ok);
    Conductor& c = r.program->conductor();
    VisualState& vs = r.program->visual();
    vs.set(vs::CurrentGradient, 3);
    ASSERT_TRUE(c.saveFile(FileKind::GradientSet, "Warm Set", {}));
    EXPECT_EQ(vs.name(vs::GradientSetName), "Warm_Set");

    // Another gradient in slot 3 and slot 1 current; the set brings both back.
    ASSERT_TRUE(c.loadFile(FileCategory::Gradient, 2, "Vortex9"));
    c.triggers().applyChange(1, 1, 0, false, true, 0, false);
    ASSERT_TRUE(c.loadSetFile(SetKind::Gradient, "Warm_Set"));
    EXPECT_EQ(vs.name(VisualState::gradientName(2)), "Flame");
    EXPECT_EQ(vs.get(vs::CurrentGradient), 3);
    EXPECT_EQ(vs.name(vs::GradientSetName), "Warm_Set");
}
