// Tests of movements: the ".mvm" loader, the empty movement, parameter values and starting.
#include <gtest/gtest.h>

#include "engine/brush_file.h"
#include "engine/movement.h"
#include "platform/files.h"
#include "support/test_services.h"

namespace korel {
namespace {

constexpr int reg(int k) {
    return kRegisterBase + k;
}
constexpr int lit(int v) {
    return literalField(uint8_t(v));
}

class MovementTest : public ::testing::Test {
  protected:
    MovementTest() : state(defaultVisualState()) { createFolder(services.dataPath("Movements")); }
    void write(const std::string& name, const Bytes& bytes) {
        ASSERT_EQ(writeFileReplacing(services.dataPath("Movements/" + name + ".mvm"), bytes), 0);
    }
    bool load(int slot, const std::string& name, LoadOptions options = {}) {
        return loadMovement(services, state, hooks, slots, slot, name, options);
    }
    MovementInputs inputs(int slot = 0) {
        return movementInputs(services, state, nullptr, slot, 0.5);
    }

    static MovementFileContent sampleMovement() {
        MovementFileContent desc;
        desc.description = "Goes round";
        desc.icon = Surface(24, 24, 0);
        desc.icon.fillRect(Rect{4, 4, 9, 9}, 250);
        desc.centred = true;
        desc.paramCount = 2;
        desc.paramMin = {-10, 1, 0};
        desc.paramMax = {10, 5, 0};
        desc.paramDefault = {mvm::kRandomDefault, 3, 0};
        desc.paramNames = {"Radius", "Speed", ""};
        desc.paramDescriptions = {"How far out", "How fast", ""};
        appendInstruction(desc.programs.blocks[kStartProgram], reg(0), lit(10), 0, pf::ST);
        appendInstruction(desc.programs.blocks[kBeatProgram], reg(1), reg(1), lit(1), pf::SM);
        appendInstruction(desc.programs.blocks[kStampProgram], pf::xp, reg(0), 0, pf::ST);
        appendInstruction(desc.programs.blocks[kStampProgram], pf::yp, kMovementParamBase + 1, 0,
                          pf::ST);
        return desc;
    }

    test::TestServices services;
    VisualState state;
    AssetHooks hooks;
    MovementSlots slots;
    MovementMachine machine;
};

TEST_F(MovementTest, EmptyMovementPutsTheBrushOffThePicture) {
    startMovement(slots, 3, inputs(3), machine, services.random());
    EXPECT_EQ(slots.current, 3);
    EXPECT_EQ(machine.x, 4 * 160);
    ASSERT_TRUE(load(0, "(None)"));
    EXPECT_EQ(slots.slots[0].programs, emptyMovement().programs);
    EXPECT_TRUE(services.alerts.empty());
}

TEST_F(MovementTest, LoadsEveryPartOfTheFileAndStarts) {
    Bytes file;
    ASSERT_TRUE(buildMovementFile(sampleMovement(), file));
    write("Orbit", file);
    struct IconHooks : AssetHooks {
        void redrawSlotCell(AssetKind, int, std::string_view name, const Surface* icon,
                            uint8_t) override {
            names.emplace_back(name);
            if (icon) pixel = icon->at(5, 5);
        }
        std::vector<std::string> names;
        int pixel = -1;
    } cellHooks;
    LoadOptions options;
    options.redrawCell = true;
    options.chooseParameters = true;
    ASSERT_TRUE(loadMovement(services, state, cellHooks, slots, 2, "Orbit", options));
    const MovementAsset& m = slots.slots[2];
    EXPECT_TRUE(m.centred);
    EXPECT_EQ(m.paramCount, 2);
    EXPECT_EQ(m.paramNames[1], "Speed");
    EXPECT_EQ(m.paramDescriptions[0], "How far out");
    EXPECT_EQ(m.programs.instructionCount(kStampProgram), 2u);
    EXPECT_EQ(state.name(VisualState::movementName(2)), "Orbit");
    EXPECT_EQ(state.name(vs::MovementSetName), "(None)");
    EXPECT_EQ(cellHooks.pixel, 250);
    const uint8_t* params = state.at(VisualState::movementParams(2));
    EXPECT_GE(int8_t(params[0]), -10);
    EXPECT_LE(int8_t(params[0]), 10);
    EXPECT_EQ(params[3], 0);  // drawn at random
    EXPECT_EQ(params[1], 3);  // the fixed default
    EXPECT_EQ(params[4], 1);

    slots.slots[2].stampCount = 5;
    startMovement(slots, 2, inputs(2), machine, services.random());
    EXPECT_EQ(slots.slots[2].stampCount, 1);
    EXPECT_EQ(machine.registers[0], 10);  // the start program ran
    EXPECT_EQ(machine.registers[1], 1);   // then the beat program, once
    runMovement(slots, kStampProgram, inputs(2), machine, services.random());
    EXPECT_EQ(machine.x, 10 + 160);
    EXPECT_EQ(machine.y, 3 + 120);
}

TEST_F(MovementTest, ParameterValuesFollowTheirFlags) {
    MovementAsset m;
    m.paramCount = 3;
    m.paramMin = {-5, 0, 0};
    m.paramMax = {-5, 100, 0};
    m.paramDefault = {mvm::kRandomDefault, mvm::kRandomDefault, 42};
    uint8_t params[6] = {};
    chooseParameterValues(m, params, services.random());
    EXPECT_EQ(int8_t(params[0]), -5);  // min = max
    EXPECT_LE(params[1], 100);
    EXPECT_EQ(params[2], 42);
    EXPECT_EQ(params[3] + params[4], 0);
    EXPECT_EQ(params[5], 1);
    // A trigger's selection draws only the unfixed ones again.
    params[2] = 9;
    params[4] = 1;  // set by hand
    params[1] = 77;
    chooseParameterValues(m, params, services.random(), true);
    EXPECT_EQ(params[2], 9);
    EXPECT_EQ(params[1], 77);
}

TEST_F(MovementTest, FailedLoadsReportAndKeepOrEmptyTheSlot) {
    Bytes file;
    ASSERT_TRUE(buildMovementFile(sampleMovement(), file));
    write("Orbit", file);
    ASSERT_TRUE(load(1, "Orbit"));
    const ProgramSet before = slots.slots[1].programs;

    EXPECT_FALSE(load(1, "Missing"));
    EXPECT_EQ(services.alerts.back(), "Unable to open or find movement!");
    EXPECT_EQ(state.name(VisualState::movementName(1)), "(None)");
    EXPECT_EQ(slots.slots[1].programs, emptyMovement().programs);

    ASSERT_TRUE(load(1, "Orbit"));
    Bytes badTag = file;
    badTag[0] = 'X';
    write("BadTag", badTag);
    EXPECT_FALSE(load(1, "BadTag"));
    EXPECT_EQ(services.alerts.back(), "Not a valid file!");
    EXPECT_EQ(slots.slots[1].programs, before);
    EXPECT_EQ(state.name(VisualState::movementName(1)), "Orbit");

    // Every truncation fails with a message and keeps the movement.
    for (size_t cut = 1; cut < file.size(); ++cut) {
        MovementAsset kept = slots.slots[1];
        const char* message = decodeMovement(std::span(file.data(), cut), kept);
        ASSERT_NE(message, nullptr) << cut;
        EXPECT_EQ(kept.programs, before);
    }
    write("Cut", Bytes(file.begin(), file.end() - 3));
    EXPECT_FALSE(load(1, "Cut"));
    EXPECT_EQ(services.alerts.back(), "End of file error!");
    EXPECT_EQ(slots.slots[1].programs, before);
    Bytes manyParams = file;
    manyParams[128 + getLe16(&file[mvm::IconLength])] = 4;
    write("Many", manyParams);
    EXPECT_FALSE(load(1, "Many"));
    EXPECT_EQ(services.alerts.back(), "Not a valid file!");
    Bytes oddLength = file;
    const size_t lengths = file.size() - 6 - 32;  // the trailer: 8 + 24 program bytes
    oddLength[lengths] = 7;
    write("Odd", oddLength);
    EXPECT_FALSE(load(1, "Odd"));
    EXPECT_EQ(services.alerts.back(), "Not a valid file!");
    EXPECT_EQ(slots.slots[1].programs, before);
}

// A zero icon length is a movement without an icon: it loads, runs, and its cell gets no
// picture (the previous movement's icon is cleared).
TEST_F(MovementTest, MovementsWithoutAnIconLoad) {
    Bytes withIcon;
    ASSERT_TRUE(buildMovementFile(sampleMovement(), withIcon));
    Bytes file = withIcon;
    const long iconAt = long(mvm::Icon);
    file.erase(file.begin() + iconAt, file.begin() + iconAt + getLe16(&file[mvm::IconLength]));
    putLe16(file.data() + mvm::IconLength, 0);
    write("Plain", file);
    write("Orbit", withIcon);

    struct IconHooks : AssetHooks {
        void redrawSlotCell(AssetKind, int, std::string_view, const Surface* icon,
                            uint8_t) override {
            icons.push_back(icon != nullptr);
        }
        std::vector<bool> icons;
    } cellHooks;
    LoadOptions options;
    options.redrawCell = true;
    ASSERT_TRUE(loadMovement(services, state, cellHooks, slots, 0, "Orbit", options));
    ASSERT_TRUE(loadMovement(services, state, cellHooks, slots, 0, "Plain", options));
    EXPECT_TRUE(services.alerts.empty());
    EXPECT_EQ(cellHooks.icons, (std::vector<bool>{true, false}));
    EXPECT_EQ(state.name(VisualState::movementName(0)), "Plain");
    const MovementAsset& m = slots.slots[0];
    EXPECT_TRUE(m.centred);
    EXPECT_EQ(m.paramNames[1], "Speed");
    EXPECT_EQ(m.programs.instructionCount(kStampProgram), 2u);
    startMovement(slots, 0, inputs(0), machine, services.random());
    EXPECT_EQ(machine.registers[0], 10);

    Surface icon(5, 5, 7);
    MovementAsset decoded;
    ASSERT_EQ(decodeMovement(file, decoded, &icon), nullptr);
    EXPECT_TRUE(icon.empty());
    // Cut short, it is still refused.
    for (size_t cut = 1; cut < file.size(); ++cut)
        ASSERT_NE(decodeMovement(std::span(file.data(), cut), decoded), nullptr) << cut;
}

}  // namespace
}  // namespace korel
