#include "device/command_set.h"

#include "model/number_format.h"

namespace {

constexpr int ValueDecimals = 3;
constexpr char GainSeparator = '-';
// Only the product and kind are compared; the version number after them never is.
constexpr int VersionNumberLength = 4;

std::string ChannelField(int index)
{
    const int channel = ChannelNumber(index);
    std::string field = std::to_string(channel);
    if (field.size() < 2)
        field.insert(field.begin(), '0');
    return field;
}

std::string ValueField(double value)
{
    return FormatFixed(value, ValueDecimals);
}

bool Contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

std::string_view WithoutVersionNumber(std::string_view versionText)
{
    return versionText.substr(0, versionText.size() - VersionNumberLength);
}

} // namespace

std::string MakeChannelQuery(int index, std::string_view token)
{
    return ChannelField(index) + std::string(token);
}

std::string MakeValueCommand(int index, double value, std::string_view token)
{
    return ValueField(value) + ChannelField(index) + std::string(token);
}

std::optional<std::string> MakeFilterCommand(int index, FilterType type)
{
    if (!IsFilterType(static_cast<int>(type)))
        return std::nullopt;
    return std::string(FilterTypeToken(type)) + ChannelField(index) + std::string(FilterToken);
}

std::optional<std::string> MakeChannelCommand(int index, FilterType type, double freq, double q,
                                              double gain)
{
    if (!IsFilterType(static_cast<int>(type)))
        return std::nullopt;
    return std::string(FilterTypeToken(type)) + '-' + ValueField(freq) + '-' + ValueField(q) + '-' +
           ValueField(gain) + ChannelField(index) + std::string(ChannelToken);
}

bool IsAcknowledgement(std::string_view answer)
{
    return answer == Acknowledgement;
}

std::optional<ControlMode> ParseModeAnswer(std::string_view answer)
{
    if (answer == "M01")
        return ControlMode::Live;
    if (answer == "M00")
        return ControlMode::FirmwareUpdate;
    return std::nullopt;
}

std::optional<bool> ParseFrontPanelAnswer(std::string_view answer)
{
    if (answer == "F00")
        return true;
    if (answer == "F01")
        return false;
    return std::nullopt;
}

bool ContainsProductName(std::string_view answer)
{
    return Contains(answer, ProductName);
}

bool IsVersionAnswer(std::string_view answer)
{
    return Contains(answer, WithoutVersionNumber(KnownBootloaderVersion)) ||
           Contains(answer, WithoutVersionNumber(KnownFirmwareVersion));
}

std::optional<FilterType> ParseFilterAnswer(std::string_view answer)
{
    return ParseFilterType(answer);
}

double ParseNumberAnswer(std::string_view answer)
{
    return ParseLeadingNumber(answer);
}

bool HoldsNumber(std::string_view answer)
{
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t at = answer.find_first_not_of(" \t\n\v\f\r");
    if (at == std::string_view::npos)
        return false;
    if (answer[at] == '+' || answer[at] == '-')
        ++at;
    if (at < answer.size() && answer[at] == '.')
        ++at;
    return at < answer.size() && isDigit(answer[at]);
}

std::array<double, ChannelCount> ParseGainList(std::string_view answer)
{
    std::array<double, ChannelCount> gains{};
    std::string number;
    int channel = 0;
    for (char c : answer) {
        if (channel >= ChannelCount)
            break;
        if (c == GainSeparator) {
            gains[channel++] = ParseLeadingNumber(number);
            number.clear();
        } else {
            number += c;
        }
    }
    return gains;
}

bool HoldsGainList(std::string_view answer)
{
    int fields = 0;
    for (std::size_t start = 0; start < answer.size() && fields < ChannelCount; ++fields) {
        const auto end = answer.find(GainSeparator, start);
        if (end == std::string_view::npos)
            break;
        if (!HoldsNumber(answer.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return fields > 0;
}
