#include "remote/osc_message.h"

#include <cstring>
#include <lo/lo_lowlevel.h>
#include <memory>
#include <string_view>

namespace {

constexpr std::string_view BundleTag{"#bundle\0", 8};
constexpr std::size_t BundleHeaderSize = BundleTag.size() + 8;
// Deeper nesting than any sender needs; the limit keeps a hostile packet from recursing far.
constexpr int BundleDepthLimit = 8;

struct MessageDeleter
{
    void operator()(lo_message message) const { lo_message_free(message); }
};
using MessagePointer = std::unique_ptr<std::remove_pointer_t<lo_message>, MessageDeleter>;

std::uint32_t ReadBigEndian32(const std::uint8_t* bytes)
{
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

// An argument lies where the message put it, four-byte aligned, and the union that names it
// asks for eight: it is copied out, never read through the union.
template <typename Value>
double ReadNumber(const lo_arg* value)
{
    Value number{};
    std::memcpy(&number, value, sizeof number);
    return static_cast<double>(number);
}

OscArgument ReadArgument(char type, const lo_arg* value)
{
    OscArgument argument;
    argument.type = type;
    switch (type) {
    case LO_INT32:
        argument.number = ReadNumber<std::int32_t>(value);
        break;
    case LO_INT64:
        argument.number = ReadNumber<std::int64_t>(value);
        break;
    case LO_FLOAT:
        argument.number = ReadNumber<float>(value);
        break;
    case LO_DOUBLE:
        argument.number = ReadNumber<double>(value);
        break;
    case LO_TRUE:
        argument.number = 1;
        break;
    case LO_FALSE:
        argument.number = 0;
        break;
    case LO_STRING:
    case LO_SYMBOL:
        argument.text = reinterpret_cast<const char*>(value);
        break;
    default:
        break;
    }
    return argument;
}

std::optional<OscMessage> DecodeMessage(const std::uint8_t* data, std::size_t size)
{
    // liblo reads the bytes in place and may swap them; it gets a copy of its own.
    std::vector<std::uint8_t> copy(data, data + size);
    const char* path = lo_get_path(copy.data(), static_cast<ssize_t>(copy.size()));
    if (!path)
        return std::nullopt;
    OscMessage decoded{path, {}};
    int result = 0;
    const MessagePointer message(lo_message_deserialise(copy.data(), copy.size(), &result));
    if (!message)
        return std::nullopt;
    const char* types = lo_message_get_types(message.get());
    lo_arg** values = lo_message_get_argv(message.get());
    const int count = lo_message_get_argc(message.get());
    for (int index = 0; index < count && types && types[index] != '\0'; ++index)
        decoded.arguments.push_back(ReadArgument(types[index], values[index]));
    return decoded;
}

void DecodeInto(std::vector<OscMessage>& messages, const std::uint8_t* data, std::size_t size,
                int depth)
{
    const bool isBundle =
        size >= BundleTag.size() && std::memcmp(data, BundleTag.data(), BundleTag.size()) == 0;
    if (!isBundle) {
        if (auto message = DecodeMessage(data, size))
            messages.push_back(std::move(*message));
        return;
    }
    if (depth >= BundleDepthLimit || size < BundleHeaderSize)
        return;
    std::size_t offset = BundleHeaderSize;
    while (size - offset >= 4) {
        const std::uint32_t length = ReadBigEndian32(data + offset);
        offset += 4;
        if (length > size - offset)
            return;
        DecodeInto(messages, data + offset, length, depth + 1);
        offset += length;
    }
}

} // namespace

bool OscArgument::IsNumber() const
{
    return type != '\0' && std::string_view("ihfdTF").find(type) != std::string_view::npos;
}

bool OscArgument::IsText() const
{
    return type == LO_STRING || type == LO_SYMBOL;
}

OscArgument OscNumber(float value)
{
    return {LO_FLOAT, value, {}};
}

OscArgument OscInteger(std::int32_t value)
{
    return {LO_INT32, static_cast<double>(value), {}};
}

OscArgument OscText(std::string text)
{
    return {LO_STRING, 0, std::move(text)};
}

std::vector<OscMessage> DecodeOscPacket(const std::uint8_t* data, std::size_t size)
{
    std::vector<OscMessage> messages;
    DecodeInto(messages, data, size, 0);
    return messages;
}

std::vector<std::uint8_t> EncodeOscMessage(const OscMessage& message)
{
    const MessagePointer encoded(lo_message_new());
    if (!encoded)
        return {};
    for (const OscArgument& argument : message.arguments) {
        switch (argument.type) {
        case LO_INT32:
            lo_message_add_int32(encoded.get(), static_cast<std::int32_t>(argument.number));
            break;
        case LO_FLOAT:
            lo_message_add_float(encoded.get(), static_cast<float>(argument.number));
            break;
        case LO_STRING:
            lo_message_add_string(encoded.get(), argument.text.c_str());
            break;
        default:
            return {};
        }
    }
    std::size_t size = 0;
    void* bytes = lo_message_serialise(encoded.get(), message.path.c_str(), nullptr, &size);
    if (!bytes)
        return {};
    std::vector<std::uint8_t> wire(static_cast<std::uint8_t*>(bytes),
                                   static_cast<std::uint8_t*>(bytes) + size);
    std::free(bytes);
    return wire;
}
