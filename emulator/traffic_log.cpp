#include "emulator/traffic_log.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr std::string_view ReceivedMarker = "RX";
constexpr std::string_view SentMarker = "TX";
constexpr std::string_view NoteMarker = "--";

struct NamedEscape
{
    char byte;
    const char* text;
};
constexpr NamedEscape NamedEscapes[] = {
    {'\r', "\\r"}, {'\n', "\\n"}, {'\t', "\\t"}, {'\\', "\\\\"}};

std::string EscapedByte(char byte)
{
    for (const NamedEscape& escape : NamedEscapes) {
        if (escape.byte == byte)
            return escape.text;
    }
    const auto value = static_cast<unsigned char>(byte);
    if (value >= 0x20 && value < 0x7F)
        return std::string(1, byte);
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", value);
    return hex;
}

std::string FrameSummary(const FrameOutcome& outcome)
{
    if (outcome.kind == FrameOutcome::Kind::End)
        return "end frame";
    char summary[64];
    std::snprintf(summary, sizeof summary, "page %d, checksum 0x%02X, %s", outcome.page,
                  outcome.checksum,
                  outcome.kind == FrameOutcome::Kind::PageAccepted ? "accepted" : "rejected");
    return summary;
}

} // namespace

bool CTrafficLog::Open(const std::string& path, std::string& error)
{
    file.reset(std::fopen(path.c_str(), "w"));
    if (!file)
        error = path + ": " + std::strerror(errno);
    return IsOpen();
}

void CTrafficLog::Received(WireTime time, std::string_view bytes)
{
    Write(time, ReceivedMarker, Escaped(bytes));
}

void CTrafficLog::Sent(WireTime time, std::string_view bytes)
{
    Write(time, SentMarker, Escaped(bytes));
}

void CTrafficLog::Frame(WireTime time, const FrameOutcome& outcome)
{
    Write(time, ReceivedMarker, FrameSummary(outcome));
}

void CTrafficLog::Note(WireTime time, std::string_view text)
{
    Write(time, NoteMarker, text);
}

std::string CTrafficLog::Escaped(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (char byte : bytes)
        text += EscapedByte(byte);
    return text;
}

void CTrafficLog::Write(WireTime time, std::string_view marker, std::string_view text)
{
    if (!file)
        return;
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(time).count();
    // Flushed line by line, so that the record can be followed while the device runs.
    std::fprintf(file.get(), "%6lld.%06lld %.*s %.*s\n", static_cast<long long>(micros / 1000000),
                 static_cast<long long>(micros % 1000000), static_cast<int>(marker.size()),
                 marker.data(), static_cast<int>(text.size()), text.data());
    std::fflush(file.get());
}
