#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One OSC argument as the remote control reads it: numbers of every width and the two
// truth types become number, strings and symbols become text. Any other type keeps only its
// type tag, so that a handler can say which type it would have taken instead.
struct OscArgument
{
    char type = 0;
    double number = 0;
    std::string text;

    bool IsNumber() const;
    bool IsText() const;
    bool operator==(const OscArgument&) const = default;
};

struct OscMessage
{
    std::string path;
    std::vector<OscArgument> arguments;
};

OscArgument OscNumber(float value);
OscArgument OscInteger(std::int32_t value);
OscArgument OscText(std::string text);

// The messages of one datagram: the message itself, or every message of a bundle and of the
// bundles within it, in order. Bundles are dispatched at once, whatever their time tag.
// Anything malformed yields nothing for that element; the rest is still read.
std::vector<OscMessage> DecodeOscPacket(const std::uint8_t* data, std::size_t size);

// The message in OSC's wire form; empty when it cannot be encoded.
std::vector<std::uint8_t> EncodeOscMessage(const OscMessage& message);
