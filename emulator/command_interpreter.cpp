#include "emulator/command_interpreter.h"

#include "device/command_set.h"
#include "model/number_format.h"
#include "storage/settings_file.h"

namespace {

constexpr int AnswerDecimals = 3;
constexpr char FieldSeparator = '-';
constexpr char MinusSign = '-';
constexpr std::string_view NormalModeAnswer = "M01";
constexpr std::string_view UpdateModeAnswer = "M00";
constexpr std::string_view FrontPanelLockedAnswer = "F00";
constexpr std::string_view FrontPanelActiveAnswer = "F01";

// A channel command: everything before the two-digit channel, the channel, the token.
struct ChannelLine
{
    std::string_view prefix;
    int index;
    std::string_view token;
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::optional<ChannelLine> SplitChannelLine(std::string_view line)
{
    constexpr std::size_t TailLength = 4;
    if (line.size() < TailLength)
        return std::nullopt;
    const std::string_view channel = line.substr(line.size() - TailLength, 2);
    if (!IsDigit(channel[0]) || !IsDigit(channel[1]))
        return std::nullopt;
    const int number = (channel[0] - '0') * 10 + (channel[1] - '0');
    if (number < ChannelNumber(0) || number > ChannelNumber(ChannelCount - 1))
        return std::nullopt;
    return ChannelLine{line.substr(0, line.size() - TailLength), number - ChannelNumber(0),
                       line.substr(line.size() - 2)};
}

std::size_t DigitRun(std::string_view text, std::size_t from)
{
    std::size_t end = from;
    while (end < text.size() && IsDigit(text[end]))
        ++end;
    return end - from;
}

// Takes one value field ("%2.3f": optional minus, digits, optional point and digits) off the
// front of text.
std::optional<double> TakeValue(std::string_view& text)
{
    std::size_t length = text.starts_with(MinusSign) ? 1 : 0;
    std::size_t digits = DigitRun(text, length);
    length += digits;
    if (length < text.size() && text[length] == '.') {
        const std::size_t fraction = DigitRun(text, length + 1);
        digits += fraction;
        length += 1 + fraction;
    }
    if (digits == 0)
        return std::nullopt;
    const double value = ParseLeadingNumber(text.substr(0, length));
    text.remove_prefix(length);
    return value;
}

std::optional<double> WholeValue(std::string_view text)
{
    const auto value = TakeValue(text);
    return text.empty() ? value : std::nullopt;
}

std::string ValueText(double value)
{
    return FormatFixed(value, AnswerDecimals);
}

using ChannelHandler = std::optional<std::string> (*)(StripSettings&, std::string_view prefix,
                                                      double StripSettings::*field);

std::optional<std::string> QueryFilter(StripSettings& strip, std::string_view,
                                       double StripSettings::*)
{
    return std::string(FilterTypeToken(strip.filter));
}

std::optional<std::string> QueryValue(StripSettings& strip, std::string_view,
                                      double StripSettings::*field)
{
    return ValueText(strip.*field);
}

std::optional<std::string> SetFilter(StripSettings& strip, std::string_view prefix,
                                     double StripSettings::*)
{
    const auto type = ParseFilterType(prefix);
    if (!type)
        return std::nullopt;
    strip.filter = *type;
    return std::string(Acknowledgement);
}

std::optional<std::string> SetValue(StripSettings& strip, std::string_view prefix,
                                    double StripSettings::*field)
{
    const auto value = WholeValue(prefix);
    if (!value)
        return std::nullopt;
    strip.*field = *value;
    return std::string(Acknowledgement);
}

// "TT-V-V-V": filter type, frequency, Q and gain, all taken or none.
std::optional<std::string> SetChannel(StripSettings& strip, std::string_view prefix,
                                      double StripSettings::*)
{
    constexpr double StripSettings::*Fields[] = {&StripSettings::freq, &StripSettings::q,
                                                 &StripSettings::gain};
    const auto type = ParseFilterType(prefix.substr(0, 2));
    if (!type)
        return std::nullopt;
    prefix.remove_prefix(2);
    StripSettings changed = strip;
    changed.filter = *type;
    for (double StripSettings::*field : Fields) {
        if (!prefix.starts_with(FieldSeparator))
            return std::nullopt;
        prefix.remove_prefix(1);
        const auto value = TakeValue(prefix);
        if (!value)
            return std::nullopt;
        changed.*field = *value;
    }
    if (!prefix.empty())
        return std::nullopt;
    strip = changed;
    return std::string(Acknowledgement);
}

struct ChannelCommandEntry
{
    std::string_view token;
    bool setting; // a setting carries a value or filter type in front of the channel
    ChannelHandler handler;
    double StripSettings::*field;
};

constexpr ChannelCommandEntry ChannelCommands[] = {
    {FilterToken, false, &QueryFilter, nullptr},
    {FrequencyToken, false, &QueryValue, &StripSettings::freq},
    {QToken, false, &QueryValue, &StripSettings::q},
    {FilterToken, true, &SetFilter, nullptr},
    {FrequencyToken, true, &SetValue, &StripSettings::freq},
    {QToken, true, &SetValue, &StripSettings::q},
    {GainToken, true, &SetValue, &StripSettings::gain},
    {ChannelToken, true, &SetChannel, nullptr},
};

const ChannelCommandEntry* FindChannelCommand(const ChannelLine& line)
{
    for (const ChannelCommandEntry& entry : ChannelCommands) {
        if (entry.token == line.token && entry.setting == !line.prefix.empty())
            return &entry;
    }
    return nullptr;
}

CommandOutcome Answer(std::string_view text)
{
    return {std::string(text), false};
}

CommandOutcome Refused()
{
    return Answer(RefusedAnswer);
}

bool IsChannelIndex(int index)
{
    return index >= 0 && index < ChannelCount;
}

} // namespace

const std::array<CCommandInterpreter::FixedCommand, 6> CCommandInterpreter::FixedCommands = {{
    {VersionQuery, Served::Always, &CCommandInterpreter::Version},
    {ModeQuery, Served::Always, &CCommandInterpreter::Mode},
    {UpdateFirmwareCommand, Served::InUpdateMode, &CCommandInterpreter::StartTransfer},
    {FrontPanelQuery, Served::InNormalMode, &CCommandInterpreter::FrontPanel},
    {GainListQuery, Served::InNormalMode, &CCommandInterpreter::GainList},
    {StoreCommand, Served::InNormalMode, &CCommandInterpreter::Store},
}};

CCommandInterpreter::CCommandInterpreter(std::string stateFile) : stateFile(std::move(stateFile)) {}

bool CCommandInterpreter::LoadState(std::string& error)
{
    if (stateFile.empty())
        return true;
    if (ReadSettingsFile(stateFile, settings, error) == SettingsReadResult::Unreadable)
        return false;
    stored = settings;
    return true;
}

CommandOutcome CCommandInterpreter::Handle(std::string_view line)
{
    for (const FixedCommand& command : FixedCommands) {
        if (command.text == line)
            return IsServed(command.served) ? (this->*command.handler)() : Refused();
    }
    return updateMode ? Refused() : ChannelCommand(line);
}

bool CCommandInterpreter::SetFrontPanelVolume(int index, double gain)
{
    if (!frontPanelActive || !IsChannelIndex(index))
        return false;
    settings[index].gain = gain;
    return true;
}

bool CCommandInterpreter::SetChannelSettings(int index, const StripSettings& strip)
{
    if (!IsChannelIndex(index))
        return false;
    settings[index] = strip;
    return true;
}

bool CCommandInterpreter::IsServed(Served served) const
{
    switch (served) {
    case Served::Always:
        return true;
    case Served::InNormalMode:
        return !updateMode;
    case Served::InUpdateMode:
        return updateMode;
    }
    return false;
}

CommandOutcome CCommandInterpreter::Version()
{
    return Answer(updateMode ? KnownBootloaderVersion : KnownFirmwareVersion);
}

CommandOutcome CCommandInterpreter::Mode()
{
    return Answer(updateMode ? UpdateModeAnswer : NormalModeAnswer);
}

CommandOutcome CCommandInterpreter::FrontPanel()
{
    return Answer(frontPanelActive ? FrontPanelActiveAnswer : FrontPanelLockedAnswer);
}

CommandOutcome CCommandInterpreter::GainList()
{
    std::string list;
    for (int index = 0; index < ChannelCount; ++index)
        list += ValueText(settings[index].gain) + FieldSeparator;
    return Answer(list);
}

CommandOutcome CCommandInterpreter::Store()
{
    std::string error;
    if (!stateFile.empty() && !WriteSettingsFile(stateFile, settings, error))
        return Refused();
    stored = settings;
    return Answer(Acknowledgement);
}

CommandOutcome CCommandInterpreter::StartTransfer()
{
    return {std::nullopt, true};
}

CommandOutcome CCommandInterpreter::ChannelCommand(std::string_view line)
{
    const auto split = SplitChannelLine(line);
    if (!split)
        return Refused();
    const ChannelCommandEntry* entry = FindChannelCommand(*split);
    if (!entry)
        return Refused();
    const auto answer = entry->handler(settings[split->index], split->prefix, entry->field);
    return answer ? Answer(*answer) : Refused();
}
