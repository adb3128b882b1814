// Surfaces: fills, frames, lines, keyed and stretched copies, and their clipping.
#include <gtest/gtest.h>

#include "platform/surface.h"

using namespace korel;

TEST(Surface, FillFrameAndLinesClipToTheSurface) {
    Surface s(8, 6, 0);
    s.fillRect(Rect{-5, -5, 3, 2}, 7);
    EXPECT_EQ(s.at(0, 0), 7);
    EXPECT_EQ(s.at(2, 1), 7);
    EXPECT_EQ(s.at(3, 1), 0);
    EXPECT_EQ(s.at(2, 2), 0);

    s.fill(0);
    s.frameRect(Rect{1, 1, 5, 4}, 9);
    EXPECT_EQ(s.at(1, 1), 9);
    EXPECT_EQ(s.at(4, 3), 9);
    EXPECT_EQ(s.at(2, 2), 0);  // inside stays
    EXPECT_EQ(s.at(5, 1), 0);  // right edge is exclusive

    s.fill(0);
    s.line(0, 0, 4, 0, 3);  // the end point is not drawn
    EXPECT_EQ(s.at(3, 0), 3);
    EXPECT_EQ(s.at(4, 0), 0);
    s.line(-10, 5, 100, 5, 4);  // runs far outside: only the visible part is drawn
    EXPECT_EQ(s.at(7, 5), 4);

    s.setClip(Rect{2, 2, 4, 4});
    s.fill(1);
    EXPECT_EQ(s.at(2, 2), 1);
    EXPECT_EQ(s.at(1, 1), 0);  // outside the clip: untouched
    EXPECT_EQ(s.at(4, 4), 0);
}

TEST(Surface, KeyedCopySkipsTheKeyAndClipsBothSides) {
    Surface src(4, 4, 5);
    src.set(1, 1, 255);
    Surface dst(6, 6, 0);
    Rect w = copySurface(dst, -1, -1, src, src.bounds(), keyed(255));
    EXPECT_EQ(w, (Rect{0, 0, 3, 3}));
    EXPECT_EQ(dst.at(0, 0), 0);  // source (1,1) is the key
    EXPECT_EQ(dst.at(1, 0), 5);
    EXPECT_EQ(dst.at(3, 3), 0);

    // A source rectangle partly outside the source only copies what exists.
    dst.fill(0);
    w = copySurface(dst, 4, 4, src, Rect{2, 2, 10, 10});
    EXPECT_EQ(w, (Rect{4, 4, 6, 6}));
    EXPECT_TRUE(copySurface(dst, 10, 10, src, src.bounds()).empty());
}

TEST(Surface, StretchedCopyMapsNearestAndClips) {
    Surface src(2, 2);
    src.set(0, 0, 1);
    src.set(1, 0, 2);
    src.set(0, 1, 3);
    src.set(1, 1, 255);
    Surface dst(4, 4, 9);
    stretchSurface(dst, Rect{0, 0, 4, 4}, src, src.bounds(), keyed(255));
    EXPECT_EQ(dst.at(0, 0), 1);
    EXPECT_EQ(dst.at(1, 1), 1);
    EXPECT_EQ(dst.at(2, 0), 2);
    EXPECT_EQ(dst.at(0, 3), 3);
    EXPECT_EQ(dst.at(3, 3), 9);  // key left the destination

    // Off the destination's edge: the mapping keeps its origin, writes stay inside.
    Surface small(3, 3, 0);
    stretchSurface(small, Rect{-2, -2, 2, 2}, src, src.bounds());
    EXPECT_EQ(small.at(0, 0), 255);  // dest (0,0) maps to source (1,1)
    EXPECT_EQ(small.at(2, 2), 0);
}
