#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "storage/settings_file.h"

namespace fs = std::filesystem;

namespace {

using std::chrono::microseconds;

constexpr int Kills = 200;
constexpr int CalibrationSaves = 20;

// Two panels that differ in every strip; values with two decimals read back exactly.
PanelSettings Panel(int variant)
{
    PanelSettings settings;
    for (int strip = 0; strip < StripCount; ++strip) {
        StripSettings& values = settings[strip];
        values.freq = 40.0 + 300.0 * strip + variant;
        values.q = (100 + 10 * strip + variant) / 100.0;
        values.gain = (5 * strip + variant) / 10.0;
        if (strip < ChannelCount) {
            values.filter = static_cast<FilterType>((strip + variant) % FilterTypeCount);
            values.freqLock = (strip + variant) % 2 == 0;
            values.gainLock = (strip + variant) % 3 == 0;
        }
    }
    return settings;
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Saves the two panels in turn until it is killed.
[[noreturn]] void SaveForEver(const fs::path& path, const PanelSettings& first,
                              const PanelSettings& second)
{
    std::string error;
    for (;;) {
        WriteSettingsFile(path, first, error);
        WriteSettingsFile(path, second, error);
    }
}

class CrashSafeSave : public testing::Test
{
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("crash-safe-save-" + std::to_string(getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // How long one save takes here, so that the kills fall before, in and after saves.
    microseconds SaveTime(const PanelSettings& settings) const
    {
        std::string error;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < CalibrationSaves; ++i)
            EXPECT_TRUE(WriteSettingsFile(folder / "calibration.snv", settings, error)) << error;
        fs::remove(folder / "calibration.snv");
        return std::chrono::duration_cast<microseconds>(std::chrono::steady_clock::now() - start) /
               CalibrationSaves;
    }

    // Starts a saver, kills it the given time after it began saving and waits for it; its
    // process id, or none when no saver could be started. The moment counts from the saver's
    // own start, not from the fork, whose cost varies (a sanitizer build makes it slow).
    pid_t KillSaverAfter(microseconds moment, const PanelSettings& first,
                         const PanelSettings& second) const
    {
        int started[2];
        if (pipe(started) != 0)
            return 0;
        const pid_t saver = fork();
        if (saver == 0) {
            const char ready = 1;
            [[maybe_unused]] const ssize_t told = write(started[1], &ready, 1);
            SaveForEver(folder / "show.snv", first, second);
        }
        close(started[1]);
        char ready = 0;
        const bool began = saver > 0 && read(started[0], &ready, 1) == 1;
        close(started[0]);
        if (!began)
            return 0;
        std::this_thread::sleep_for(moment);
        kill(saver, SIGKILL);
        int status = 0;
        waitpid(saver, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        return saver;
    }

    fs::path folder;
};

// A save killed at any moment leaves the previous file or the new one, whole; what a killed
// save leaves behind is at most its own temporary, which no read ever sees.
TEST_F(CrashSafeSave, AKilledSaveLeavesOneWholeFile)
{
    const PanelSettings before = Panel(1), after = Panel(2);
    const std::string texts[] = {SettingsFileText(before), SettingsFileText(after)};
    const fs::path path = folder / "show.snv";
    std::string error;
    ASSERT_TRUE(WriteSettingsFile(path, before, error)) << error;

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    const microseconds saveTime = SaveTime(after);
    std::uniform_int_distribution<long> moment(0, (3 * saveTime + microseconds(2000)).count());
    std::set<std::string> killedSavers;
    int seen[2] = {0, 0};
    for (int round = 0; round < Kills; ++round) {
        const pid_t saver = KillSaverAfter(microseconds(moment(random)), after, before);
        ASSERT_GT(saver, 0) << "no saver started";
        killedSavers.insert(std::to_string(saver));
        const std::string text = ReadAll(path);
        ASSERT_TRUE(text == texts[0] || text == texts[1]) << "after kill " << round << ":\n"
                                                          << text;
        ++seen[text == texts[1]];
        PanelSettings read;
        ASSERT_EQ(ReadSettingsFile(path, read, error), SettingsReadResult::Read) << error;
        EXPECT_TRUE(read == before || read == after) << "after kill " << round;
    }
    // The kills fell both before the first save ended and after it.
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);

    const std::regex temporaryName(R"(\.sonavire-(\d+)-\d+)");
    std::map<std::string, int> temporariesBySaver;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename();
        if (name == "show.snv")
            continue;
        std::smatch match;
        ASSERT_TRUE(std::regex_match(name, match, temporaryName)) << name;
        EXPECT_TRUE(killedSavers.contains(match[1])) << name;
        EXPECT_EQ(++temporariesBySaver[match[1]], 1) << name;
        const std::string partial = ReadAll(entry.path());
        EXPECT_TRUE(texts[0].starts_with(partial) || texts[1].starts_with(partial)) << name;
    }
    RecordProperty("temporariesLeft", static_cast<int>(temporariesBySaver.size()));
    RecordProperty("killsFindingTheFirstPanel", seen[0]);
    RecordProperty("killsFindingTheSecondPanel", seen[1]);

    // The leftovers stand in the way of no later save.
    ASSERT_TRUE(WriteSettingsFile(path, after, error)) << error;
    EXPECT_EQ(ReadAll(path), texts[1]);
}

} // namespace
