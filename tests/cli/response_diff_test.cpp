#include "tests/cli/cli_fixture.h"

#include <QXmlStreamReader>
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>

#include "emulator/emulated_device.h"
#include "storage/settings_file.h"

namespace fs = std::filesystem;

namespace {

// Runs in the test's folder, so that files are named as an operator types them.
class ResponseDiffTest : public CliFixture
{
protected:
    Outcome Run(const std::string& arguments, const std::string& port = "")
    {
        if (port.empty())
            return CliFixture::Run(arguments, "cd " + Quoted(folder) + " && ");
        return RunCommand("cd " + Quoted(folder) + " && " + SONAVIRE_CLI_PATH + " --port " +
                          Quoted(port) + " " + arguments);
    }

    void Write(const std::string& name, const PanelSettings& settings)
    {
        std::string error;
        ASSERT_TRUE(WriteSettingsFile(folder / name, settings, error)) << error;
    }
};

// diff answers as diff(1) does: 0 alike, 1 different (each value on a line), 2 when a side
// cannot be read. The device holds no master strip, so a file's master is not compared with it.
TEST_F(ResponseDiffTest, DiffListsTheValuesThatDiffer)
{
    ASSERT_TRUE(device->SetChannelSettings(2, {1000, 0.707, 2.5, FilterType::Low}));
    PanelSettings held = device->Settings();
    held[MasterStrip].gain = 3.5;
    Write("held.snv", held);
    Write("copy.snv", held);
    PanelSettings changed = held;
    changed[2].freq = 1250;
    changed[15].filter = FilterType::High;
    changed[MasterStrip].gain = 0;
    Write("changed.snv", changed);
    std::ofstream(folder / "notes.txt") << "[CHANNEL1]\n";

    struct Case
    {
        const char* arguments;
        int status;
        const char* out;
        const char* said;
        const char* port = "";
    };
    const Case cases[] = {
        {"diff held.snv copy.snv", 0, "", ""},
        {"diff held.snv changed.snv", 1,
         "Channel 3 frequency: 1000.00 -> 1250.00\nChannel 16 filter: FL -> HP\n"
         "Master gain: 3.50 -> 0.00\n",
         ""},
        {"diff device held.snv", 0, "", ""},
        {"diff changed.snv device", 1,
         "Channel 3 frequency: 1250.00 -> 1000.00\nChannel 16 filter: HP -> FL\n", ""},
        {"diff device device", 0, "", ""},
        {"diff missing.snv held.snv", 2, "", "missing.snv does not exist"},
        {"diff held.snv notes.txt", 2, "", "notes.txt is not a valid Sonavire file"},
        {"diff device held.snv", 2, "", "unable to connect to Sonavire", "/dev/no-such-port"},
        {"diff held.snv", 2, "", "usage: diff A B"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Run(c.arguments, c.port);
        EXPECT_EQ(outcome.status, c.status) << c.arguments << ": " << outcome.err;
        EXPECT_EQ(outcome.out, c.out) << c.arguments;
        EXPECT_NE(outcome.err.find(c.said), std::string::npos)
            << c.arguments << ": " << outcome.err;
    }
}

std::vector<std::string> CsvRows(const std::string& csv)
{
    std::vector<std::string> rows;
    std::istringstream lines(csv);
    for (std::string line; std::getline(lines, line);)
        rows.push_back(line);
    return rows;
}

void CheckCsv(const std::string& bytes)
{
    const std::vector<std::string> rows = CsvRows(bytes);
    ASSERT_EQ(rows.size(), 242u);
    EXPECT_TRUE(rows[0].starts_with("frequency_hz,channel_1,")) << rows[0];
    for (const std::string& row : rows)
        EXPECT_EQ(std::count(row.begin(), row.end(), ','), 16) << row;
    EXPECT_TRUE(rows[1].starts_with("20.000,")) << rows[1];
}

void CheckSvg(const std::string& bytes)
{
    QXmlStreamReader svg(QByteArray::fromStdString(bytes));
    int paths = 0;
    while (!svg.atEnd()) {
        if (svg.readNext() == QXmlStreamReader::StartElement && svg.name() == u"path")
            ++paths;
    }
    EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();
    EXPECT_EQ(paths, 16);
}

std::uint32_t BigEndian(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = at; i < at + 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

void CheckPng(const std::string& bytes)
{
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
    EXPECT_EQ(BigEndian(bytes, 16), 960u);
    EXPECT_EQ(BigEndian(bytes, 20), 600u);
}

// The output's kind follows its extension in any case; an unknown one or an unreadable input
// writes nothing.
TEST_F(ResponseDiffTest, ResponseWritesTableAndPictures)
{
    PanelSettings settings{};
    for (int channel = 0; channel < ChannelCount; ++channel)
        settings[channel] = {250.0 * (channel + 1), 1.5, 0, static_cast<FilterType>(channel % 6)};
    Write("show.snv", settings);

    struct Case
    {
        const char* arguments;
        const char* output;
        int status;
        void (*check)(const std::string&);
    };
    const Case cases[] = {
        {"response show.snv -o out.csv", "out.csv", 0, CheckCsv},
        {"response show.snv -o out.SVG", "out.SVG", 0, CheckSvg},
        {"response show.snv -o out.png", "out.png", 0, CheckPng},
        {"response show.snv -o out.txt", "out.txt", 2, nullptr},
        {"response missing.snv -o out2.csv", "out2.csv", 2, nullptr},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Run(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.arguments << ": " << outcome.err;
        if (c.check)
            c.check(ReadFile(folder / c.output));
        else
            EXPECT_FALSE(fs::exists(folder / c.output)) << c.arguments;
    }
    const Outcome toStandardOutput = Run("response show.snv -o -");
    EXPECT_EQ(toStandardOutput.status, 0);
    EXPECT_EQ(toStandardOutput.out, ReadFile(folder / "out.csv"));
}

} // namespace
