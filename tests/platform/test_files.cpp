// File primitives: error codes, replacing writes, case-blind listings.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/files.h"
#include "support/test_services.h"

using namespace korel;

TEST(Files, ErrorCodesNameWhatIsMissing) {
    test::TempFolder t;
    Bytes b;
    EXPECT_EQ(readWholeFile(t.file("absent.bin"), b), kErrNoFile);
    EXPECT_EQ(readWholeFile(t.file("no/such/path.bin"), b), kErrNoPath);
    EXPECT_EQ(createFolder(t.file("x")), 0);
    EXPECT_EQ(createFolder(t.file("x")), 0);  // an existing folder is fine
    EXPECT_EQ(createFolder(t.file("a/b")), kErrNoPath);
    EXPECT_EQ(createFolders(t.file("a/b/c")), 0);
}

TEST(Files, ReplacingWriteKeepsTheOldFileOnFailureAndListsCaseBlind) {
    test::TempFolder t;
    ASSERT_EQ(writeFileReplacing(t.file("s.sty"), Bytes{1, 2, 3}), 0);
    ASSERT_EQ(writeFileReplacing(t.file("s.sty"), Bytes{4}), 0);
    Bytes b;
    ASSERT_EQ(readWholeFile(t.file("s.sty"), b), 0);
    EXPECT_EQ(b, Bytes{4});
    // Writing into a folder that vanished fails and reports it.
    EXPECT_NE(writeFileReplacing(t.file("gone/s.sty"), Bytes{1}), 0);

    ASSERT_EQ(writeFileReplacing(t.file("B.STY"), Bytes{}), 0);
    ASSERT_EQ(writeFileReplacing(t.file("c.txt"), Bytes{}), 0);
    std::vector<std::string> names;
    ASSERT_EQ(listFolder(t.path(), ".sty", names), 0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"B.STY", "s.sty"}));
    EXPECT_EQ(listFolder(t.file("nope"), ".sty", names), kErrNoFile);
}
