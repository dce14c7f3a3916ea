#pragma once

#include <csignal>

// While it lives, SIGINT and SIGTERM no longer end the program at once: they raise a flag
// and make a pipe readable, and the serial port given that pipe ends whatever wait it is in.
// The program then closes the port, so the line is not left marked exclusive, and exits.
// Every wait of the tool ends on that pipe, so a repeated signal (timeout(1) sends one to the
// child and one to its group) changes nothing.
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
