#include <functional>
#include <gtest/gtest.h>
#include <optional>

#include "device/command_set.h"
#include "device/link_procedures.h"
#include "tests/device/device_link_fixture.h"

namespace {

using LinkProceduresTest = DeviceLinkFixture;

std::vector<std::string> ChannelQueries(const char* token)
{
    std::vector<std::string> lines;
    for (int index = 0; index < ChannelCount; ++index)
        lines.push_back(MakeChannelQuery(index, token));
    return lines;
}

std::vector<std::string> Joined(std::vector<std::vector<std::string>> parts)
{
    std::vector<std::string> lines;
    for (const auto& part : parts)
        lines.insert(lines.end(), part.begin(), part.end());
    return lines;
}

struct ReadAllCase
{
    const char* name;
    AfterReadFailure after;
    std::optional<Fault> fault; // from the gain list on
    std::vector<std::string> lines;
    const char* failure;
};

class ReadAllTest : public LinkProceduresTest, public testing::WithParamInterface<ReadAllCase>
{};

// A garbled answer leaves the line up: Stop ends the read there, GoOn asks for everything else.
TEST_P(ReadAllTest, AsksInOrderAndReportsTheFirstFailure)
{
    const ReadAllCase& c = GetParam();
    ConnectLive();
    if (c.fault)
        device->InjectFault(*c.fault, FaultTrigger::AtCommand("QS"));
    NewLines();
    PanelSettings settings{};
    EXPECT_EQ(ReadAll(link, settings, c.after), c.failure);
    EXPECT_EQ(NewLines(), c.lines);
    EXPECT_EQ(link.TakeFailure(), "");
    EXPECT_EQ(link.mode, ControlMode::Live);
}

constexpr const char* GarbledGains = "command QS: the device answered \"#?x7\"";

INSTANTIATE_TEST_SUITE_P(
    Answers, ReadAllTest,
    testing::Values(
        ReadAllCase{
            "answered", AfterReadFailure::Stop, std::nullopt,
            Joined(
                {{"FP", "QS"}, ChannelQueries("FI"), ChannelQueries("FR"), ChannelQueries("FQ")}),
            ""},
        ReadAllCase{
            "garbledStops", AfterReadFailure::Stop, Fault::Garbage, {"FP", "QS"}, GarbledGains},
        ReadAllCase{"garbledGoesOn", AfterReadFailure::GoOn, Fault::Garbage,
                    Joined({{"FP", "QS", "01FI"}, ChannelQueries("FR"), ChannelQueries("FQ")}),
                    GarbledGains}),
    [](const auto& info) { return std::string(info.param.name); });

struct DownloadCase
{
    const char* name;
    std::optional<int> refusedFrom; // the first channel the device refuses
    int channelsAsked;              // the channels goOn lets through
    std::vector<int> unacknowledged;
};

class DownloadChannelsTest : public LinkProceduresTest,
                             public testing::WithParamInterface<DownloadCase>
{};

TEST_P(DownloadChannelsTest, SendsTheChannelsInOrderUntilToldToStop)
{
    const DownloadCase& c = GetParam();
    PanelSettings settings{};
    std::vector<std::string> commands;
    for (int index = 0; index < ChannelCount; ++index) {
        settings[index] = {100.0 * (index + 1), 1.5, index - 8.0, FilterType::Band};
        commands.push_back(*MakeChannelCommand(index, FilterType::Band, settings[index].freq, 1.5,
                                               settings[index].gain));
    }
    ConnectLive();
    if (c.refusedFrom)
        device->InjectFault(Fault::Refusal, FaultTrigger::AtCommand(commands[*c.refusedFrom]));
    NewLines();
    int asked = 0;
    EXPECT_EQ(DownloadChannels(link, settings, [&] { return asked++ < c.channelsAsked; }),
              c.unacknowledged);
    commands.resize(c.channelsAsked);
    EXPECT_EQ(NewLines(), commands);
}

INSTANTIATE_TEST_SUITE_P(
    Downloads, DownloadChannelsTest,
    testing::Values(DownloadCase{"acknowledged", std::nullopt, ChannelCount, {}},
                    DownloadCase{"refused", 14, ChannelCount, {14, 15}},
                    DownloadCase{"interrupted", std::nullopt, 3, {}}),
    [](const auto& info) { return std::string(info.param.name); });

std::string Described(const LiveChanges& changes)
{
    std::string text;
    const auto add = [&](bool changed, const std::string& word) {
        if (changed)
            text += (text.empty() ? "" : " ") + word;
    };
    add(changes.mode, "mode");
    add(changes.version, "version");
    add(changes.frontPanel, "frontPanel");
    for (int index = 0; index < ChannelCount; ++index)
        add(changes.gains[index], "gain" + std::to_string(ChannelNumber(index)));
    return text;
}

// Rounds of the poll as the panel makes them once a second, each after something happened to
// the device.
TEST_F(LinkProceduresTest, PollLiveReportsWhatChangedSinceTheLastRound)
{
    const struct
    {
        const char* name;
        std::function<void()> happen;
        const char* changes;
        std::vector<std::string> lines;
    } rounds[] = {
        {"first round", [] {}, "version frontPanel", {"?M", "?V", "FP"}},
        {"front panel in use",
         [&] {
             device->SetFrontPanelActive(true);
             device->SetFrontPanelVolume(1, 4.5);
         },
         "frontPanel gain2",
         {"?M", "?V", "FP", "QS"}},
        {"nothing", [] {}, "", {"?M", "?V", "FP", "QS"}},
        {"update switch", [&] { device->SetUpdateMode(true); }, "mode", {"?M"}},
    };
    ConnectLive();
    NewLines();
    PanelSettings settings{};
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.name);
        round.happen();
        const LiveChanges changes = PollLive(link, settings);
        EXPECT_EQ(Described(changes), round.changes);
        EXPECT_EQ(changes.AnyGain(), std::string(round.changes).find("gain") != std::string::npos);
        EXPECT_EQ(NewLines(), round.lines);
    }
    EXPECT_EQ(settings[1].gain, 4.5);
}

} // namespace
