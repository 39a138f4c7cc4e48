#include "platform/NamedLock.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

using namespace vornik::platform;

namespace {

class NamedLocks : public testing::Test {
protected:
    void SetUp() override {
        dir = testing::TempDir() + "vornik-locks-" + std::to_string(::getpid());
        ::setenv("VORNIK_LOCK_DIR", dir.c_str(), 1);
        name = std::string("Vornik_OposPrinter_") + testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    // A child process that takes the lock with the time-out and reports: 0 acquired, 1 timed out, 2 failed.
    int otherProcessAcquires(int timeoutMs) {
        pid_t pid = ::fork();
        if (pid == 0) {
            NamedLock lock(name);
            LockWait r = lock.acquire(timeoutMs);
            ::_exit(r == LockWait::Acquired ? 0 : r == LockWait::TimedOut ? 1 : 2);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string dir, name;
};

TEST_F(NamedLocks, HeldPerProcessAndCounted) {
    NamedLock a(name), b(name);
    ASSERT_EQ(a.acquire(0), LockWait::Acquired);
    ASSERT_EQ(b.acquire(0), LockWait::Acquired) << "a second claim in the same process";
    EXPECT_EQ(otherProcessAcquires(100), 1) << "another process times out";
    EXPECT_TRUE(a.release());
    EXPECT_EQ(otherProcessAcquires(100), 1) << "still held once";
    EXPECT_TRUE(b.release());
    EXPECT_FALSE(b.release()) << "nothing left to release";
    EXPECT_EQ(otherProcessAcquires(100), 0);
}

TEST_F(NamedLocks, AWaiterGetsTheLockWhenItIsReleased) {
    NamedLock a(name);
    ASSERT_EQ(a.acquire(0), LockWait::Acquired);
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        a.release();
    });
    EXPECT_EQ(otherProcessAcquires(5000), 0);
    releaser.join();
}

TEST_F(NamedLocks, ADeadOwnerDoesNotLockOthersOut) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t holder = ::fork();
    if (holder == 0) {
        NamedLock lock(name);
        if (lock.acquire(0) != LockWait::Acquired) ::_exit(2);
        char c = 1;
        [[maybe_unused]] auto w = ::write(ready[1], &c, 1);
        for (;;) ::pause();
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    NamedLock mine(name);
    EXPECT_EQ(mine.acquire(50), LockWait::TimedOut);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(mine.acquire(2000), LockWait::Acquired);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST_F(NamedLocks, DestroyingAHandleGivesBackWhatItHolds) {
    {
        NamedLock a(name);
        ASSERT_EQ(a.acquire(0), LockWait::Acquired);
        ASSERT_EQ(a.acquire(0), LockWait::Acquired);
    }
    EXPECT_EQ(otherProcessAcquires(100), 0);
}

}  // namespace
