// The tools' command lines: exit codes, "FILE:LINE: problem" reports, and outputs at the given
// path, as build rules use them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "bmp_fixture.h"
#include "platform/files.h"
#include "support/test_services.h"

namespace korel {
namespace {

struct Outcome {
    int status = -1;
    std::string errors;
};

Outcome run(const std::string& command, const test::TempFolder& dir) {
    const std::string err = dir.file("stderr.txt");
    Outcome r;
    const int raw = std::system((command + " >/dev/null 2>" + err).c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    Bytes text;
    readWholeFile(err, text);
    r.errors.assign(text.begin(), text.end());
    return r;
}

void put(const std::string& path, const std::string& text) {
    ASSERT_EQ(writeFileReplacing(path, Bytes(text.begin(), text.end())), 0);
}

TEST(CommandLines, ToolsWriteOutputsAndReportFileAndLine) {
    test::TempFolder dir;
    const std::string src = dir.file("Wiggle.kasm");
    put(src, "movement\nprogram stamp\n  RN xp, 0, 10\nend\n");
    EXPECT_EQ(run(std::string(KOREL_ASM_EXE) + " " + src, dir).status, 0);
    EXPECT_TRUE(fileExists(dir.file("Wiggle.mvm")));
    EXPECT_EQ(run(std::string(KOREL_ASM_EXE) + " -d " + dir.file("Wiggle.mvm") + " -o " +
                      dir.file("back.kasm"),
                  dir)
                  .status,
              0);
    EXPECT_TRUE(fileExists(dir.file("back.kasm")));

    put(src, "movement\nprogram stamp\n  RN zz, 0, 10\nend\n");
    Outcome bad = run(std::string(KOREL_ASM_EXE) + " " + src + " -o " + dir.file("Bad.mvm"), dir);
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.errors, src + ":3: 'zz' is not a destination of a movement\n");
    EXPECT_FALSE(fileExists(dir.file("Bad.mvm")));

    put(dir.file("g.grad"), "both\n0 #102030\n");
    EXPECT_EQ(run(std::string(KOREL_GRADIENT_EXE) + " " + dir.file("g.grad") + " -o " +
                      dir.file("Out.gra"),
                  dir)
                  .status,
              0);
    Bytes gra;
    ASSERT_EQ(readWholeFile(dir.file("Out.gra"), gra), 0);
    EXPECT_EQ(gra.size(), 545u);

    put(dir.file("Calm.style"), "brush-speed = 10\nbrush-speed = x\n");
    bad = run(std::string(KOREL_STYLE_EXE) + " " + dir.file("Calm.style"), dir);
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.errors.find("Calm.style:2: 'brush-speed' takes 0-120"), std::string::npos);
    put(dir.file("Calm.style"), "brush-speed = 10\n");
    EXPECT_EQ(run(std::string(KOREL_STYLE_EXE) + " " + dir.file("Calm.style"), dir).status, 0);
    Bytes sty;
    ASSERT_EQ(readWholeFile(dir.file("Calm.sty"), sty), 0);
    ASSERT_EQ(sty.size(), 1006u);
    EXPECT_EQ(std::string(sty.begin() + 28, sty.begin() + 32), "Calm");

    EXPECT_EQ(run(std::string(KOREL_ASM_EXE) + " " + dir.file("missing.kasm"), dir).status, 1);
    EXPECT_EQ(run(std::string(KOREL_ASM_EXE), dir).status, 2);
}

TEST(CommandLines, PictomatConvertsAndReportsItsMessages) {
    test::TempFolder dir;
    const std::string bmp = dir.file("Spin3.bmp");
    ASSERT_EQ(writeFileReplacing(bmp, test::solidBmp(200, 50, Rgb{0, 255, 0})), 0);
    Outcome r = run(std::string(PICTOMAT_EXE) + " " + bmp, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, bmp + ": Width is not evenly divisible by number of frames!\n");
    EXPECT_FALSE(fileExists(dir.file("Spin.bru")));

    // Proposed name beside the bitmap: no digits, .bru.
    EXPECT_EQ(run(std::string(PICTOMAT_EXE) + " --frames 4 " + bmp, dir).status, 0);
    Bytes bru;
    ASSERT_EQ(readWholeFile(dir.file("Spin.bru"), bru), 0);
    EXPECT_EQ(bru[0], 'B');
    EXPECT_EQ(getLe16(&bru[30]), 4);

    EXPECT_EQ(run(std::string(PICTOMAT_EXE) + " " + bmp + " " + dir.file("Wall.fil"), dir).status,
              0);
    Bytes fil;
    ASSERT_EQ(readWholeFile(dir.file("Wall.fil"), fil), 0);
    EXPECT_EQ(fil[0], 'T');

    r = run(
        std::string(PICTOMAT_EXE) + " --frames 4 " + bmp + " " + dir.file("A_very_long_name_.bru"),
        dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.errors.find("The file name is too long! 15 letters is maximum."),
              std::string::npos);
    r = run(std::string(PICTOMAT_EXE) + " " + dir.file("none.bmp"), dir);
    EXPECT_NE(r.errors.find("Couldn't open bitmap file!"), std::string::npos);
    EXPECT_EQ(run(std::string(PICTOMAT_EXE) + " --sections 1000 " + bmp, dir).status, 2);
}

}  // namespace
}  // namespace korel
