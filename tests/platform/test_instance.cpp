// The single-instance guard: only a lock held elsewhere stops a start; a folder where no lock
// file can be made falls back to a private one; nobody else may open the lock file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/instance.h"
#include "support/test_services.h"

using namespace korel;

namespace {

unsigned modeOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return 0xFFFF;
    return st.st_mode & 07777;
}

std::string privateName(const test::TempFolder& root) {
    return root.file("korel-" + std::to_string(::getuid()));
}

}  // namespace

TEST(InstanceLock, OnlyALockHeldElsewhereMeansAlreadyRunning) {
    test::TempFolder t;
    // Flock locks belong to each opening, so a second guard in this process is "another copy".
    InstanceLock first, second;
    ASSERT_TRUE(first.acquire(t.path(), "KOREL", t.path()));
    EXPECT_EQ(first.path(), t.file("KOREL.lock"));
    EXPECT_FALSE(second.acquire(t.path(), "KOREL", t.path()));
    EXPECT_FALSE(second.held());
    // Another guard name is another program.
    EXPECT_TRUE(second.acquire(t.path(), "ZEZOZEVEDU", t.path()));
    first.release();
    EXPECT_TRUE(second.acquire(t.path(), "KOREL", t.path()));
}

TEST(InstanceLock, TheLockFileIsTheOwnersAloneWhateverTheUmask) {
    test::TempFolder t;
    const mode_t old = ::umask(0);
    InstanceLock lock;
    const bool taken = lock.acquire(t.path(), "KOREL", t.path());
    ::umask(old);
    ASSERT_TRUE(taken);
    EXPECT_EQ(modeOf(t.file("KOREL.lock")), 0600u);
}

TEST(InstanceLock, AFolderWithoutRoomForTheLockFallsBackToAPrivateOne) {
    test::TempFolder t;
    const std::string missing = t.file("run/user/none");  // as a stale XDG_RUNTIME_DIR
    InstanceLock first;
    ASSERT_TRUE(first.acquire(missing, "KOREL", t.path()));
    ASSERT_TRUE(first.held());
    EXPECT_EQ(first.path(), privateName(t) + "/KOREL.lock");
    EXPECT_EQ(modeOf(privateName(t)), 0700u);
    EXPECT_EQ(modeOf(first.path()), 0600u);
    // The fallback is the same for every copy, so a second one still sees the first.
    InstanceLock second;
    EXPECT_FALSE(second.acquire(missing, "KOREL", t.path()));
    first.release();
    EXPECT_TRUE(second.acquire(missing, "KOREL", t.path()));
}

TEST(InstanceLock, APrivateFolderIsNeverOneThatOthersCouldHaveMade) {
    test::TempFolder t;
    const std::string name = privateName(t);
    // A link planted under the name is refused; the program then runs unguarded.
    ASSERT_EQ(::symlink(t.path().c_str(), name.c_str()), 0);
    EXPECT_EQ(InstanceLock::privateFolder(t.path()), "");
    InstanceLock lock;
    EXPECT_TRUE(lock.acquire(t.file("missing"), "KOREL", t.path()));
    EXPECT_FALSE(lock.held());
    ASSERT_EQ(::unlink(name.c_str()), 0);
    // A folder of ours that others could enter is closed to them first.
    ASSERT_EQ(::mkdir(name.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(name.c_str(), 0777), 0);
    EXPECT_EQ(InstanceLock::privateFolder(t.path()), name);
    EXPECT_EQ(modeOf(name), 0700u);
}

TEST(InstanceLock, TheHoldersIdIsOnlyTrustedWhileTheLockIsHeld) {
    test::TempFolder t;
    EXPECT_EQ(InstanceLock::heldBy(t.path(), "ZEZOZEVEDU", t.path()), 0);  // no file
    {
        InstanceLock lock;
        ASSERT_TRUE(lock.acquire(t.path(), "ZEZOZEVEDU", t.path()));
        EXPECT_EQ(InstanceLock::heldBy(t.path(), "ZEZOZEVEDU", t.path()), 0);  // nothing recorded
        ASSERT_TRUE(lock.recordOwner());
        EXPECT_EQ(InstanceLock::heldBy(t.path(), "ZEZOZEVEDU", t.path()), int(::getpid()));
        // Recording again replaces the text rather than appending to it.
        ASSERT_TRUE(lock.recordOwner());
        EXPECT_EQ(InstanceLock::heldBy(t.path(), "ZEZOZEVEDU", t.path()), int(::getpid()));
    }
    // The file outlives its holder; a stale id must not be signalled.
    EXPECT_EQ(InstanceLock::heldBy(t.path(), "ZEZOZEVEDU", t.path()), 0);
    // Text that is no process id is ignored.
    for (const char* text : {"1\n", "abc", "99999999999999999999"}) {
        InstanceLock lock;
        ASSERT_TRUE(lock.acquire(t.path(), "ZEZOZEVEDU", t.path()));
        FILE* f = std::fopen(t.file("ZEZOZEVEDU.lock").c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs(text, f);
        std::fclose(f);
        EXPECT_EQ(InstanceLock::heldBy(t.path(), "ZEZOZEVEDU", t.path()), 0) << text;
    }
}
