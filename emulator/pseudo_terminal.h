#pragma once

#include <string>

#include "emulator/unique_fd.h"

// The device's end of a pseudo-terminal pair. The panel opens the slave path as it would
// open a serial port; the device reads and writes the master.
class CPseudoTerminal
{
public:
    CPseudoTerminal() = default;
    CPseudoTerminal(const CPseudoTerminal&) = delete;
    CPseudoTerminal& operator=(const CPseudoTerminal&) = delete;
    ~CPseudoTerminal();

    // Creates the pair with the slave in raw mode and a non-blocking master.
    bool Open(std::string& error);

    // Points a symbolic link at the slave; an old link left at linkPath is replaced.
    bool CreateLink(const std::string& linkPath, std::string& error);

    // Drops both ends: whoever has the slave open sees a hang-up. The link stays.
    void HangUp();

    // Hangs up and removes the link if it still points at this terminal.
    void Close();

    int MasterFd() const { return master.Get(); }
    const std::string& SlavePath() const { return slavePath; }

private:
    void RemoveLink();

    CUniqueFd master;
    // Held open for the terminal's whole life, so that the panel closing its side never
    // leaves the master hung up (a hung-up master polls readable forever). It is never
    // made exclusive, so it does not stand in the way of the panel's exclusive open.
    CUniqueFd slave;
    std::string slavePath;
    std::string createdLink;
};
