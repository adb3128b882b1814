// The visual-state record: the default record byte for byte and the version-1 upgrade.
#include <gtest/gtest.h>

#include <cstring>

#include "persist/visual_state.h"

using namespace korel;

namespace {
void expectName(const VisualState& s, size_t off, const char* name) {
    EXPECT_EQ(s.name(off), name) << "at offset " << off;
    // The field is NUL-padded to its 16 bytes.
    for (size_t i = std::strlen(name); i < 16; ++i) EXPECT_EQ(s.get(off + i), 0) << off + i;
}
}  // namespace

TEST(VisualState, DefaultRecordByteForByte) {
    VisualState s = defaultVisualState();
    const uint8_t head[28] = {0x53, 0, 3, 16, 3, 1, 1, 40, 75, 40, 43, 0, 0, 26,
                              100, 100, 100, 100, 6, 13, 0, 25, 120, 0x05, 0xDC, 0, 0, 0};
    for (size_t i = 0; i < 28; ++i) EXPECT_EQ(s.get(i), head[i]) << "offset " << i;
    expectName(s, 28, "Default");
    EXPECT_EQ(s.get(44), 5);
    const uint8_t perKind[15] = {0, 0, 24, 48, 0, 3, 1, 1, 3, 1, 6, 1};
    for (size_t i = 0; i < 12; ++i) EXPECT_EQ(s.get(45 + i), perKind[i]) << 45 + i;
    expectName(s, 57, "Veve");
    expectName(s, 57 + 5 * 16, "Disc_Spin");
    expectName(s, 153, "(None)");
    EXPECT_EQ(s.get(169), 62);
    for (size_t i = 170; i < 542; ++i) ASSERT_EQ(s.get(i), 0x80) << i;
    EXPECT_EQ(s.get(542), 8);
    EXPECT_EQ(s.get(543), 1);
    expectName(s, 544, "Aurora");
    expectName(s, 544 + 7 * 16, "Vortex9");
    expectName(s, 672, "(None)");
    EXPECT_EQ(s.get(688), 6);
    EXPECT_EQ(s.get(689), 1);
    expectName(s, 690, "Spirograph");
    expectName(s, 690 + 5 * 16, "Meandering");
    expectName(s, 786, "(None)");
    EXPECT_EQ(s.get(802), 3);
    for (size_t i = 803; i < 839; ++i) EXPECT_EQ(s.get(i), 0) << i;
    EXPECT_EQ(s.get(839), 6);
    EXPECT_EQ(s.get(840), 2);
    expectName(s, 841, "(None)");
    expectName(s, 857, "Astral_Quilt");
    expectName(s, 873, "Spiroval_Twist");
    expectName(s, 889, "Sun_Beams");
    expectName(s, 905, "(None)");
    expectName(s, 921, "(None)");
    expectName(s, 937, "(None)");
    expectName(s, 953, "(None)");
    expectName(s, 969, "(None)");
    expectName(s, 985, "(None)");
    const uint8_t beats[5] = {20, 1, 1, 20, 20};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(s.get(1001 + i), beats[i]);
    EXPECT_EQ(s.tempo(), 1500);
}

TEST(VisualState, Version1UpgradeMovesFieldsAndConvertsThresholds) {
    VisualState s = defaultVisualState();
    s.set(2, 1);
    s.set(11, 0x12);
    s.set(12, 0x34);
    s.set(19, 18);
    s.setName(905, "BrushCol");
    s.setName(921, "FillCol");
    s.setName(937, "BrushFx");
    const int8_t old[5] = {-36, -11, -10, 30, -1};
    for (int k = 0; k < 5; ++k) s.set(45 + k, uint8_t(old[k]));
    s.set(1004, 77);  // not part of a version-1 record: overwritten by the conversion anyway

    upgradeVersion1(s);
    EXPECT_EQ(s.get(2), 3);
    EXPECT_EQ(s.name(953), "BrushCol");
    EXPECT_EQ(s.name(969), "FillCol");
    EXPECT_EQ(s.name(985), "BrushFx");
    EXPECT_EQ(s.name(905), "(None)");
    EXPECT_EQ(s.name(921), "(None)");
    EXPECT_EQ(s.name(937), "(None)");
    EXPECT_EQ(s.get(839), 6);
    EXPECT_EQ(s.tempo(), 0x1234);
    EXPECT_EQ(s.get(11), 0);
    EXPECT_EQ(s.get(12), 0);
    EXPECT_EQ(s.get(19), 13);
    EXPECT_EQ(s.get(20), 0);
    EXPECT_EQ(s.get(21), 25);
    EXPECT_EQ(s.get(22), 120);
    const uint8_t thr[5] = {0, 0, 0, 30, 0};
    const uint8_t beats[5] = {0, 12, 10, 1, 1};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(s.get(45 + k), thr[k]) << k;
        EXPECT_EQ(s.get(1001 + k), beats[k]) << k;
    }
}
