#include "cli/interrupt_guard.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<bool> interrupted{false};
int pipeEnds[2] = {-1, -1};

void OnInterrupt(int)
{
    const int savedErrno = errno;
    interrupted = true;
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

CInterruptGuard::CInterruptGuard()
{
    interrupted = false;
    if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        pipeEnds[0] = pipeEnds[1] = -1;
    struct sigaction action
    {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInt);
    sigaction(SIGTERM, &action, &oldTerm);
}

CInterruptGuard::~CInterruptGuard()
{
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
    for (int& end : pipeEnds) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

int CInterruptGuard::Descriptor() const
{
    return pipeEnds[0];
}

bool CInterruptGuard::Interrupted()
{
    return interrupted;
}
