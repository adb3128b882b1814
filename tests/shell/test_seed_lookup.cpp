// Which seed library a program uses, from where its own file lies: the installed one beside it,
// the build's only for programs inside the build tree.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "shell/data_folder.h"
#include "support/test_services.h"

using namespace korel;

namespace {

constexpr const char* kInstalled = "../share/korel/seed";

struct Layout {
    Layout() {
        EXPECT_EQ(createFolders(prefix() + "/bin"), 0);
        EXPECT_EQ(createFolders(build() + "/shell"), 0);
        EXPECT_EQ(createFolders(buildSeed()), 0);
    }
    std::string prefix() const { return temp.file("prefix with space"); }
    std::string build() const { return temp.file("build"); }
    std::string buildSeed() const { return build() + "/seed"; }
    std::string installedSeed() const { return prefix() + "/share/korel/seed"; }
    test::TempFolder temp;
};

}  // namespace

TEST(SeedLookup, AnInstalledProgramFindsTheLibraryUnderItsOwnPrefix) {
    Layout l;
    ASSERT_EQ(createFolders(l.installedSeed()), 0);
    const std::string program = l.prefix() + "/bin/korel-live";
    EXPECT_EQ(seedFolderFor(program, kInstalled, l.build(), l.buildSeed()), l.installedSeed());
    // A relative path from a bin folder set elsewhere (a GNU layout with another data folder).
    ASSERT_EQ(createFolders(l.prefix() + "/data/korel/seed"), 0);
    EXPECT_EQ(seedFolderFor(program, "../data/korel/seed", {}, {}),
              l.prefix() + "/data/korel/seed");
}

TEST(SeedLookup, AnInstalledProgramWithoutItsLibraryNeverFallsBackToTheBuildTree) {
    Layout l;
    // The build that made it still exists, but the install lost its library: no seed, so the
    // program reports the missing pictures instead of quietly running on the build's files.
    EXPECT_EQ(seedFolderFor(l.prefix() + "/bin/korel-live", kInstalled, l.build(), l.buildSeed()),
              "");
    // A folder whose name merely starts with the build tree's is not inside it.
    ASSERT_EQ(createFolders(l.build() + "-other/bin"), 0);
    EXPECT_EQ(
        seedFolderFor(l.build() + "-other/bin/korel-live", kInstalled, l.build(), l.buildSeed()),
        "");
}

TEST(SeedLookup, AProgramInsideTheBuildTreeUsesTheBuildsLibrary) {
    Layout l;
    EXPECT_EQ(seedFolderFor(l.build() + "/shell/korel-live", kInstalled, l.build(), l.buildSeed()),
              l.buildSeed());
    // Reached through a link to the build tree, it is still inside.
    std::error_code ec;
    std::filesystem::create_directory_symlink(l.build(), l.temp.file("link"), ec);
    ASSERT_FALSE(ec);
    EXPECT_EQ(seedFolderFor(l.temp.file("link") + "/shell/korel-live", kInstalled, l.build(),
                            l.buildSeed()),
              l.buildSeed());
    // A build without a library yet gives none.
    std::filesystem::remove(l.buildSeed(), ec);
    EXPECT_EQ(seedFolderFor(l.build() + "/shell/korel-live", kInstalled, l.build(), l.buildSeed()),
              "");
}

TEST(SeedLookup, TheEnvironmentOverridesAndTheRunningTestFindsTheBuildLibrary) {
    // These tests run from inside the build tree, so without KOREL_SEED they get its library.
    ::unsetenv("KOREL_SEED");
    EXPECT_EQ(std::filesystem::weakly_canonical(defaultSeedFolder()),
              std::filesystem::weakly_canonical(KOREL_SEED_DIR));
    ::setenv("KOREL_SEED", "/somewhere/else", 1);
    EXPECT_EQ(defaultSeedFolder(), "/somewhere/else");
    ::unsetenv("KOREL_SEED");
}
