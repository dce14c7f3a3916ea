#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "emulator/bootloader.h"
#include "emulator/wire_clock.h"

// A text record of the conversation, one line per line on the wire:
//   "  1234.567890 RX 01FR\r"   received by the device
//   "  1234.568012 TX 1000.000\r" sent by the device
// Control bytes and bytes outside printable ASCII are written as \r, \n, \t, \\ or \xHH, so
// the record shows exactly what crossed the line. A firmware page is one summary line.
class CTrafficLog
{
public:
    // Replaces any earlier log at path.
    bool Open(const std::string& path, std::string& error);
    bool IsOpen() const { return file != nullptr; }

    void Received(WireTime time, std::string_view bytes);
    void Sent(WireTime time, std::string_view bytes);
    void Frame(WireTime time, const FrameOutcome& outcome);
    void Note(WireTime time, std::string_view text);

    static std::string Escaped(std::string_view bytes);

private:
    void Write(WireTime time, std::string_view marker, std::string_view text);

    struct Closer
    {
        void operator()(std::FILE* stream) const { std::fclose(stream); }
    };
    std::unique_ptr<std::FILE, Closer> file;
};
