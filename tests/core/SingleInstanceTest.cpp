#include "platform/SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/TempDir.h"

using platform::SingleInstance;

namespace {

TEST(SingleInstanceTest, OnlyOneHolderAtATimeAndReleaseLetsTheNextIn)
{
    testing_support::TempDir dir;
    SingleInstance first, second;
    EXPECT_EQ(first.Acquire("TarvoImageMutex", dir.Path()), SingleInstance::Result::Acquired);
    EXPECT_EQ(second.Acquire("TarvoImageMutex", dir.Path()), SingleInstance::Result::AlreadyRunning);
    EXPECT_FALSE(second.Held());
    first.Release();
    EXPECT_EQ(second.Acquire("TarvoImageMutex", dir.Path()), SingleInstance::Result::Acquired);
}

TEST(SingleInstanceTest, AProcessThatDiesWithoutReleasingDoesNotBlockTheNextStart)
{
    testing_support::TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) {
        SingleInstance guard;
        const bool ok = guard.Acquire("TarvoImageMutex", dir.Path()) == SingleInstance::Result::Acquired;
        ::_exit(ok ? 0 : 1);  // no Release: the kernel drops the lock
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    SingleInstance next;
    EXPECT_EQ(next.Acquire("TarvoImageMutex", dir.Path()), SingleInstance::Result::Acquired);
}

TEST(SingleInstanceTest, AnUnusableFolderFailsRatherThanPretending)
{
    SingleInstance guard;
    EXPECT_EQ(guard.Acquire("TarvoImageMutex", "/nonexistent-folder"), SingleInstance::Result::Failed);
}

}  // namespace
