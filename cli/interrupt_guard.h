#pragma once

#include <csignal>

// While it lives, SIGINT and SIGTERM no longer end the program at once: they raise a flag
// and make a pipe readable, and the serial port given that pipe ends whatever wait it is in.
// The program then closes the port, so the line is not left marked exclusive, and exits.
// A second signal ends the program the usual way.
class CInterruptGuard
{
public:
    CInterruptGuard();
    CInterruptGuard(const CInterruptGuard&) = delete;
    CInterruptGuard& operator=(const CInterruptGuard&) = delete;
    ~CInterruptGuard();

    // Readable from the first signal on; -1 when no pipe could be made.
    int Descriptor() const;

    static bool Interrupted();

private:
    struct sigaction oldInt
    {};
    struct sigaction oldTerm
    {};
};
