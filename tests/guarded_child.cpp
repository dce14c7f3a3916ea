#include "tests/guarded_child.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

void InGuardedChild(const std::function<void()>& checks)
{
    constexpr rlim_t CpuSeconds = 5;
    constexpr unsigned WaitSeconds = 30;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit cpu{CpuSeconds, CpuSeconds + 1}, noCore{0, 0};
        setrlimit(RLIMIT_CPU, &cpu);
        setrlimit(RLIMIT_CORE, &noCore);
        alarm(WaitSeconds);
        checks();
        _exit(testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_FALSE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) << "the checks spun";
    EXPECT_FALSE(WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) << "the checks waited";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}
