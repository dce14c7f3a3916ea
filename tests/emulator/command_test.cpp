#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <vector>

#include "emulator_fixture.h"
#include "storage/settings_file.h"
#include "temp_dir.h"

namespace {

struct Exchange
{
    const char* command;
    const char* answer;
};

struct Scenario
{
    const char* name;
    bool updateMode;
    std::vector<Exchange> exchanges;
};

// Names each case in test listings.
void PrintTo(const Scenario& scenario, std::ostream* out)
{
    *out << scenario.name;
}

class EmulatorCommandTest : public EmulatorFixture, public testing::WithParamInterface<Scenario>
{};

TEST_P(EmulatorCommandTest, AnswersEachCommandOnTheWire)
{
    Start({.updateMode = GetParam().updateMode});
    for (const Exchange& exchange : GetParam().exchanges)
        EXPECT_EQ(Client().Exchange(exchange.command), exchange.answer) << exchange.command;
}

const char* const DefaultGains = "0.000-0.000-0.000-0.000-0.000-0.000-0.000-0.000-"
                                 "0.000-0.000-0.000-0.000-0.000-0.000-0.000-0.000-";

INSTANTIATE_TEST_SUITE_P(
    Normal, EmulatorCommandTest,
    testing::Values(
        Scenario{"Identity",
                 false,
                 {{"?V", "Sonavire v1.02"}, {"?M", "M01"}, {"FP", "F00"}, {"QS", DefaultGains}}},
        Scenario{"Defaults",
                 false,
                 {{"01FI", "FL"},
                  {"01FR", "1000.000"},
                  {"01FQ", "0.707"},
                  {"16FI", "FL"},
                  {"16FR", "1000.000"},
                  {"16FQ", "0.707"}}},
        Scenario{"Frequency",
                 false,
                 {{"40.00001FR", "R"},
                  {"8000.00016FR", "R"},
                  {"01FR", "40.000"},
                  {"16FR", "8000.000"},
                  {"02FR", "1000.000"}}},
        Scenario{"Q", false, {{"0.15010FQ", "R"}, {"10FQ", "0.150"}, {"09FQ", "0.707"}}},
        Scenario{"Gains",
                 false,
                 {{"1.50001GA", "R"},
                  {"9.90016GA", "R"},
                  {"0.02003GA", "R"},
                  {"QS", "1.500-0.000-0.020-0.000-0.000-0.000-0.000-0.000-"
                         "0.000-0.000-0.000-0.000-0.000-0.000-0.000-9.900-"}}},
        Scenario{"FilterTypes",
                 false,
                 {{"BP01FI", "R"},
                  {"FL02FI", "R"},
                  {"HP03FI", "R"},
                  {"LP05FI", "R"},
                  {"NO08FI", "R"},
                  {"TO16FI", "R"},
                  {"01FI", "BP"},
                  {"02FI", "FL"},
                  {"03FI", "HP"},
                  {"05FI", "LP"},
                  {"08FI", "NO"},
                  {"16FI", "TO"}}},
        Scenario{"WholeChannel",
                 false,
                 {{"NO-63.880-0.696-9.90016CC", "R"},
                  {"16FI", "NO"},
                  {"16FR", "63.880"},
                  {"16FQ", "0.696"},
                  {"QS", "0.000-0.000-0.000-0.000-0.000-0.000-0.000-0.000-"
                         "0.000-0.000-0.000-0.000-0.000-0.000-0.000-9.900-"},
                  {"FL-1000.000-0.707-0.00016CC", "R"},
                  {"16FI", "FL"},
                  {"QS", DefaultGains}}},
        Scenario{"ValuesKeepThreeDecimals",
                 false,
                 {{"1234.5678901FR", "R"},
                  {"01FR", "1234.568"},
                  {"5FQ", "E"},
                  {"7.03FQ", "R"},
                  {"03FQ", "7.000"}}},
        Scenario{"Store", false, {{"ST", "R"}}},
        Scenario{"RefusedChannelNumbers",
                 false,
                 {{"00FR", "E"},
                  {"17FR", "E"},
                  {"99FI", "E"},
                  {"1FR", "E"},
                  {"A1FR", "E"},
                  {"1.00000GA", "E"},
                  {"1.00017GA", "E"},
                  {"LP00FI", "E"},
                  {"FL-1000.000-0.707-0.00017CC", "E"}}},
        Scenario{"RefusedTokensAndValues",
                 false,
                 {{"01XX", "E"},
                  {"01GA", "E"},
                  {"01CC", "E"},
                  {"XX01FI", "E"},
                  {"lp05FI", "E"},
                  {"abc01FR", "E"},
                  {"1.2.301FR", "E"},
                  {"1e301FR", "E"},
                  {".01FR", "E"},
                  {"FL-1000.000-0.70701CC", "E"},
                  {"FL-1000.000-0.707-0.000-1.00001CC", "E"},
                  {"ZZ-1000.000-0.707-0.00001CC", "E"},
                  {"?v", "E"},
                  {"?V ", "E"},
                  {" ?V", "E"},
                  {"", "E"},
                  {"UF", "E"}}},
        Scenario{"RefusalsChangeNothing",
                 false,
                 {{"XX01FI", "E"},
                  {"FL-40.000-2.00001CC", "E"},
                  {"5.5.00001GA", "E"},
                  {"01FI", "FL"},
                  {"01FR", "1000.000"},
                  {"01FQ", "0.707"},
                  {"QS", DefaultGains}}}));

INSTANTIATE_TEST_SUITE_P(Update, EmulatorCommandTest,
                         testing::Values(Scenario{"BootloaderServesThreeCommands",
                                                  true,
                                                  {{"?V", "Sonavire Bootloader v1.01"},
                                                   {"?M", "M00"},
                                                   {"FP", "E"},
                                                   {"QS", "E"},
                                                   {"ST", "E"},
                                                   {"01FR", "E"},
                                                   {"1.00001GA", "E"},
                                                   {"LP05FI", "E"},
                                                   {"FL-1000.000-0.707-0.00001CC", "E"}}}));

class EmulatorDeviceStateTest : public EmulatorFixture
{};

TEST_F(EmulatorDeviceStateTest, SwitchesChangeTheAnswers)
{
    Start();
    Device().SetUpdateMode(true);
    Device().SetFrontPanelActive(true);
    EXPECT_EQ(Client().Exchange("?M"), "M00");
    EXPECT_EQ(Client().Exchange("?V"), "Sonavire Bootloader v1.01");
    Device().SetUpdateMode(false);
    EXPECT_EQ(Client().Exchange("?M"), "M01");
    EXPECT_EQ(Client().Exchange("FP"), "F01");
    Device().SetFrontPanelActive(false);
    EXPECT_EQ(Client().Exchange("FP"), "F00");
}

TEST_F(EmulatorDeviceStateTest, VolumeKnobSetsAGainOnlyWhileTheFrontPanelIsActive)
{
    Start({.frontPanelActive = true});
    EXPECT_TRUE(Device().SetFrontPanelVolume(2, 4.25));
    EXPECT_FALSE(Device().SetFrontPanelVolume(16, 1.0));
    EXPECT_EQ(Client().Exchange("QS"), "0.000-0.000-4.250-0.000-0.000-0.000-0.000-0.000-"
                                       "0.000-0.000-0.000-0.000-0.000-0.000-0.000-0.000-");
    Device().SetFrontPanelActive(false);
    EXPECT_FALSE(Device().SetFrontPanelVolume(2, 9.0));
    EXPECT_EQ(Device().Settings()[2].gain, 4.25);
}

TEST_F(EmulatorDeviceStateTest, PresetChannelsAreAnswered)
{
    Start();
    ASSERT_TRUE(Device().SetChannelSettings(
        6, {.freq = 63.88, .q = 0.695625, .gain = 2.2, .filter = FilterType::Notch}));
    EXPECT_FALSE(Device().SetChannelSettings(16, {}));
    EXPECT_EQ(Client().Exchange("07FI"), "NO");
    EXPECT_EQ(Client().Exchange("07FR"), "63.880");
    EXPECT_EQ(Client().Exchange("07FQ"), "0.696");
}

TEST_F(EmulatorDeviceStateTest, SettingsChangeOnlyTheAddressedChannel)
{
    Start();
    EXPECT_EQ(Client().Exchange("HP-120.500-1.250-3.30004CC"), "R");
    EXPECT_EQ(Client().Exchange("0.35004FQ"), "R");
    PanelSettings expected{};
    expected[3] = {.freq = 120.5, .q = 0.35, .gain = 3.3, .filter = FilterType::High};
    EXPECT_EQ(Device().Settings(), expected);
    EXPECT_EQ(Device().StoredSettings(), PanelSettings{});
}

TEST_F(EmulatorDeviceStateTest, RecordsEveryCommandLineWithoutItsCarriageReturn)
{
    Start();
    Client().Write("?V\r?M");
    Client().Write("\r\n01FR\r");
    ASSERT_TRUE(ReceivedLines(3));
    // A line feed is part of the next line: the device has no other line end.
    EXPECT_EQ(Device().ReceivedLines(), (std::vector<std::string>{"?V", "?M", "\n01FR"}));
    EXPECT_EQ(Client().ReadLine(), "Sonavire v1.02");
    EXPECT_EQ(Client().ReadLine(), "M01");
    EXPECT_EQ(Client().ReadLine(), "E");
}

std::string FileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class EmulatorStateFileTest : public EmulatorFixture
{
protected:
    CTempDir folder;
};

TEST_F(EmulatorStateFileTest, StoreWritesTheSettingsFileThatTheNextStartReads)
{
    const std::string state = folder.Path("stored.snv");
    Start({.stateFile = state});
    EXPECT_EQ(Client().Exchange("LP-63.880-2.000-4.50016CC"), "R");
    EXPECT_EQ(Client().Exchange("ST"), "R");
    EXPECT_EQ(Client().Exchange("1.00001GA"), "R");

    PanelSettings stored{};
    stored[15] = {.freq = 63.88, .q = 2.0, .gain = 4.5, .filter = FilterType::Low};
    EXPECT_EQ(FileText(state), SettingsFileText(stored));
    EXPECT_EQ(Device().StoredSettings(), stored);

    CEmulatedDevice next({.stateFile = state});
    std::string error;
    ASSERT_TRUE(next.Start(error)) << error;
    CPtyClient client(next.PortPath());
    EXPECT_EQ(client.Exchange("16FI"), "LP");
    EXPECT_EQ(client.Exchange("16FR"), "63.880");
    // The file keeps two decimals, so the default Q comes back rounded.
    EXPECT_EQ(client.Exchange("01FQ"), "0.710");
    EXPECT_EQ(client.Exchange("QS"), "0.000-0.000-0.000-0.000-0.000-0.000-0.000-0.000-"
                                     "0.000-0.000-0.000-0.000-0.000-0.000-0.000-4.500-");
}

TEST_F(EmulatorStateFileTest, MissingStateFileMeansDefaults)
{
    Start({.stateFile = folder.Path("never-written.snv")});
    EXPECT_EQ(Client().Exchange("05FR"), "1000.000");
    EXPECT_EQ(Device().StoredSettings(), PanelSettings{});
}

TEST_F(EmulatorStateFileTest, StoreThatCannotWriteIsRefused)
{
    Start({.stateFile = folder.Path("no-such-folder/stored.snv")});
    EXPECT_EQ(Client().Exchange("2.00001GA"), "R");
    EXPECT_EQ(Client().Exchange("ST"), "E");
    EXPECT_EQ(Device().StoredSettings(), PanelSettings{});
}

TEST_F(EmulatorStateFileTest, UnreadableStateFileStopsTheStart)
{
    CEmulatedDevice device({.stateFile = folder.Path("")});
    std::string error;
    EXPECT_FALSE(device.Start(error));
    EXPECT_NE(error.find(folder.Path("")), std::string::npos) << error;
}

} // namespace
