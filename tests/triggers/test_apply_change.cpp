// The apply operation: code effects, attachments and their restoration, held values.
#include <gtest/gtest.h>

#include "fake_host.h"

using namespace korel;
using korel::test::Rig;

TEST(ApplyChange, CodeEffectsAndRecordFields) {
    Rig r;
    EXPECT_TRUE(r.engine.applyChange(kChangeGradient, -5, 0, true, true, kHoldApply, false));
    EXPECT_EQ(r.state.get(vs::CurrentGradient), 5);  // a negative value is its magnitude
    EXPECT_TRUE(r.host.logged("gradient 4"));
    EXPECT_TRUE(r.host.logged("redraw 1"));
    EXPECT_TRUE(r.host.logged("rave change 1 5"));

    r.engine.applyChange(kChangeBrushColour, 30, 0, false, true, kHoldApply, false);
    r.engine.applyChange(kChangeBrushColour, 40, 0, false, true, kHoldApply, false);
    EXPECT_TRUE(r.host.logged("brushcolour 1>30"));
    EXPECT_TRUE(r.host.logged("brushcolour 30>40"));

    r.engine.applyChange(kChangeBrushSpeed, 40, 1000, false, true, kHoldApply, false);
    EXPECT_TRUE(r.host.logged("brushtiming 25 1025"));
    r.engine.applyChange(kChangeBrushSpeed, 0, 1000, false, true, kHoldApply, false);
    EXPECT_TRUE(r.host.logged("brushtiming 2147483647 2147483647"));
    r.engine.applyChange(kChangeColourSpeed, 50, 100, false, true, kHoldApply, false);
    EXPECT_TRUE(r.host.logged("colourtiming 100 -1 200"));
    r.engine.applyChange(kChangeColourSpeed, 64, 100, false, true, kHoldApply, false);
    EXPECT_TRUE(r.host.logged("colourtiming 250 1 350"));
    r.engine.applyChange(kChangeColourSpeed, 60, 100, false, true, kHoldApply, false);
    EXPECT_EQ(r.engine.state().colourDirection, 0);

    // Movement parameters of the current movement; from a trigger the value counts as set.
    r.state.set(vs::CurrentMovement, 2);
    r.engine.applyChange(kChangeParameter2, 9, 0, false, true, kHoldApply, true);
    EXPECT_EQ(r.state.get(VisualState::movementParams(1) + 1), 9);
    EXPECT_EQ(r.state.get(VisualState::movementParams(1) + 4), 1);
    r.host.log.clear();
    r.engine.applyChange(kChangeMovement, 3, 0, false, false, kHoldApply, true);
    EXPECT_EQ(r.host.log, (std::vector<std::string>{"params 2", "movement 2"}));

    // Values that name no slot, and codes outside 1-14, change nothing.
    r.host.log.clear();
    EXPECT_FALSE(r.engine.applyChange(kChangeGradient, 9, 0, true, true, kHoldApply, false));
    EXPECT_FALSE(r.engine.applyChange(kChangeBrush, 0, 0, true, true, kHoldApply, false));
    EXPECT_FALSE(r.engine.applyChange(kChangeFill, 7, 0, true, true, kHoldApply, false));
    EXPECT_FALSE(r.engine.applyChange(15, 1, 0, true, true, kHoldApply, false));
    EXPECT_TRUE(r.host.log.empty());
}

TEST(ApplyChange, FillWipeAndNameTracking) {
    Rig r;
    r.engine.applyChange(kChangeFill, 3, 0, false, true, kHoldApply, false);
    r.engine.applyChange(kChangeFill, kWipeRequest, 0, false, true, kHoldApply, false);
    r.state.setName(VisualState::fillName(3), "Spiroval_Twist");  // the name of slot 3
    r.engine.applyChange(kChangeFill, kWipeRequest + 4, 0, false, true, kHoldApply, false);
    r.engine.applyChange(kChangeFill, 2, 0, false, true, kHoldApply, false);
    EXPECT_EQ(r.host.log[0], "fill 2 new");
    EXPECT_EQ(r.host.log[2], "fill 2 wipe");  // a wipe re-draws the current fill
    EXPECT_EQ(r.host.log[4], "fill 3 wipe");
    EXPECT_EQ(r.host.log[6], "fill 1 new");
    EXPECT_EQ(r.state.get(vs::CurrentFill), 2);
}

TEST(ApplyChange, SwitchFlags) {
    Rig r;  // default flags: listening and trails
    r.engine.applyChange(kChangeSwitches, 0x01 | 0x04, 0, true, true, kHoldApply, false);
    EXPECT_EQ(r.state.get(vs::Switches), 0x05);
    EXPECT_TRUE(r.host.logged("trails off"));
    EXPECT_TRUE(r.host.logged("volume on"));
    EXPECT_FALSE(r.host.logged("listen off"));
    EXPECT_TRUE(r.host.logged("redraw 5"));

    // Per-bit hold: turning trails on and volume off is held bit by bit.
    r.host.log.clear();
    r.engine.applyChange(kChangeSwitches, 0x01 | 0x02 | 0x04, 0, false, true, kHoldStore, false);
    r.engine.applyChange(kChangeSwitches, 0x01, 0, false, true, kHoldStore, false);
    EXPECT_EQ(r.engine.state().heldSwitchMask, 0x06);
    EXPECT_TRUE(r.host.log.empty());
    r.engine.applyHeldValues(10);
    EXPECT_EQ(r.state.get(vs::Switches), 0x03);
    EXPECT_EQ(r.engine.state().heldSwitchMask, 0);

    // A hold that turns no bit holds nothing and says so.
    EXPECT_FALSE(r.engine.applyChange(kChangeSwitches, 0x03, 0, false, true, kHoldStore, false));
    EXPECT_EQ(r.engine.state().heldSwitchMask, 0);
    EXPECT_EQ(r.engine.state().held[kChangeSwitches - 1], kNone80);
}

TEST(ApplyChange, AttachmentsRefuseAndAreUndoneWhenTheBrushChanges) {
    Rig r;
    r.state.set(vs::CurrentGradient, 4);
    r.state.set(vs::BrushSpeed, 40);
    r.state.setName(vs::BrushEffect, "Pulse");
    r.attach(1, att::Gradient, 3);
    r.attach(1, att::BrushSpeed, 10);
    r.attach(1, att::FillBrightness, 50);
    r.state.setName(VisualState::attachment(1) + att::BrushEffect, "Swirl");

    r.engine.applyChange(kChangeBrush, 2, 0, false, true, kHoldApply, false);
    EXPECT_EQ(r.state.get(vs::CurrentGradient), 3);
    EXPECT_EQ(r.state.get(vs::BrushSpeed), 10);
    EXPECT_EQ(r.state.get(vs::FillBrightness), 50);
    EXPECT_EQ(r.state.name(vs::BrushEffect), "Swirl");
    EXPECT_TRUE(r.host.logged("brightness fill"));

    // A user's change to another gradient is refused; the attached one is allowed.
    r.host.log.clear();
    EXPECT_FALSE(r.engine.applyChange(kChangeGradient, 5, 0, false, true, kHoldApply, false));
    EXPECT_EQ(r.services.alerts.back(), "The current brush has an attached gradient.");
    EXPECT_EQ(r.state.get(vs::CurrentGradient), 3);
    EXPECT_TRUE(r.host.log.empty());
    EXPECT_FALSE(r.engine.applyChange(kChangeBrushSpeed, 20, 0, false, true, kHoldStore, false));
    EXPECT_EQ(r.services.alerts.back(), "The current brush has an attached brush speed setting.");
    EXPECT_TRUE(r.engine.applyChange(kChangeGradient, 3, 0, false, true, kHoldApply, false));
    // Internal replays are not refused.
    EXPECT_TRUE(r.engine.applyChange(kChangeGradient, 6, 0, false, false, kHoldApply, false));
    r.state.set(vs::CurrentGradient, 3);

    // Back to a brush without attachments: what was current before comes back.
    r.engine.applyChange(kChangeBrush, 1, 0, false, true, kHoldApply, false);
    EXPECT_EQ(r.state.get(vs::CurrentGradient), 4);
    EXPECT_EQ(r.state.get(vs::BrushSpeed), 40);
    EXPECT_EQ(r.state.get(vs::FillBrightness), 100);
    EXPECT_EQ(r.state.name(vs::BrushEffect), "Pulse");
    EXPECT_EQ(r.engine.state().preAttachmentValue[att::Gradient - 1], kNone80);

    // A style load forgets what was remembered: nothing is restored afterwards.
    r.engine.applyChange(kChangeBrush, 2, 0, false, true, kHoldApply, false);
    r.engine.styleLoaded();
    r.engine.applyChange(kChangeBrush, 1, 0, false, true, kHoldApply, false);
    EXPECT_EQ(r.state.get(vs::CurrentGradient), 3);
}

TEST(ApplyChange, TrailsAttachmentComparesOnlyTheTrailsBit) {
    Rig r;
    r.attach(1, att::Trails, 0);
    r.engine.applyChange(kChangeBrush, 2, 0, false, true, kHoldApply, false);
    EXPECT_FALSE(r.state.switchOn(vs::kSwitchTrails));
    EXPECT_TRUE(r.engine.applyChange(kChangeSwitches, 0x05, 0, false, true, kHoldApply, false));
    EXPECT_FALSE(r.engine.applyChange(kChangeSwitches, 0x07, 0, false, true, kHoldApply, false));
    EXPECT_EQ(r.services.alerts.back(), "The current brush has an attached brush trails setting.");
    r.host.replaying = true;  // a replaying rave is not refused
    EXPECT_TRUE(r.engine.applyChange(kChangeSwitches, 0x07, 0, false, true, kHoldApply, false));
}

TEST(ApplyChange, HeldValuesWaitForApplyOrRelease) {
    Rig r;
    r.host.visible = true;
    r.engine.applyChange(kChangeGradient, 6, 0, true, true, kHoldStore, false);
    r.engine.applyChange(kChangeFill, kWipeRequest, 0, true, true, kHoldStore, false);
    r.engine.applyChange(kChangeSpread, 77, 0, true, true, kHoldStore, false);
    r.engine.applyChange(kChangeSpread, 0, 0, true, true, kHoldRelease, false);
    EXPECT_EQ(r.state.get(vs::CurrentGradient), 1);
    EXPECT_TRUE(r.host.log.empty());

    r.engine.applyHeldValues(5);
    EXPECT_EQ(r.state.get(vs::CurrentGradient), 6);
    EXPECT_TRUE(r.host.logged("fill 1 wipe new"));
    EXPECT_EQ(r.state.get(vs::MovementSpread), 40);  // released, never applied
    EXPECT_EQ(r.engine.state().held[kChangeGradient - 1], kNone80);
    EXPECT_FALSE(r.engine.state().heldWipe);

    // A user change of a held code releases the held value.
    r.engine.applyChange(kChangeBrushSpeed, 90, 0, false, true, kHoldStore, false);
    r.engine.applyChange(kChangeBrushSpeed, 30, 0, false, true, kHoldApply, false);
    EXPECT_EQ(r.engine.state().held[kChangeBrushSpeed - 1], kNone80);
}

TEST(ApplyChange, OverallColourChange) {
    Rig r;
    r.state.set(vs::TriggerModes + kKindColor, kModeSequentialSelection);
    r.state.set(vs::BrushColour, 3);
    r.state.set(vs::FillColour, 9);
    r.engine.changeBothColours(0, false, kHoldApply);
    EXPECT_EQ(r.state.get(vs::BrushColour), 115);
    EXPECT_EQ(r.state.get(vs::FillColour), 1);

    r.state.set(vs::TriggerModes + kKindColor, kModeRandomFile);
    r.engine.changeBothColours(0, false, kHoldApply);
    EXPECT_GT(std::abs(r.state.get(vs::BrushColour) - 115), 10);
    EXPECT_GT(std::abs(r.state.get(vs::FillColour) - 1), 10);
}
