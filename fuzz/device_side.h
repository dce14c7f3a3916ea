// The device's end of a real pseudo-terminal for the firmware-lines target: it sends bytes
// to the port under test and gathers what the port writes back. A thread drains the port's
// output as it comes, so the port's writes never block on a full terminal.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "emulator/pseudo_terminal.h"
#include "emulator/unique_fd.h"

class CDeviceSide
{
public:
    // The longest piece Send takes: the terminal's input buffer holds it whole.
    static constexpr std::size_t MaxPiece = 1024;

    CDeviceSide() = default;
    CDeviceSide(const CDeviceSide&) = delete;
    CDeviceSide& operator=(const CDeviceSide&) = delete;
    ~CDeviceSide();

    bool Open(std::string& error);
    const std::string& PortPath() const { return terminal.SlavePath(); }

    // Sends at most MaxPiece bytes and waits until the port can read all of them at once.
    bool Send(std::string_view piece, std::chrono::milliseconds limit);

    // Bytes sent that the port has not read yet.
    int Unread() const;

    // Everything the port wrote since the last call, once there are at least count bytes;
    // what has come by then when limit passes first.
    std::string TakeReceived(std::size_t count, std::chrono::milliseconds limit);

private:
    void Drain();

    CPseudoTerminal terminal;
    // A second descriptor of the port's own line, opened before the port takes it
    // exclusively: it tells how many sent bytes wait on the port's side.
    CUniqueFd observer;
    std::mutex mutex;
    std::condition_variable arrived;
    std::string received;
    std::atomic<bool> stopping{false};
    std::thread drainer;
};
