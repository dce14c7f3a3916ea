#pragma once

#include <string>
#include <string_view>
#include <vector>

// Gathers the bytes the device sends unasked into carriage-return lines. Each complete line
// is handed on by itself, so a request that follows a stray line is still seen; bytes after
// the last carriage return wait for the rest of their line.
class CLineCollector
{
public:
    // A device that streams without carriage returns must not grow memory for ever; no line
    // the panel waits for is this long.
    static constexpr std::size_t MaxPendingBytes = 4096;

    // Every line completed by bytes, each with its carriage return.
    std::vector<std::string> Append(std::string_view bytes);

    const std::string& Pending() const { return pending; }

private:
    std::string pending;
    bool overlong = false;
};
