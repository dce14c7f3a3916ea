#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "storage/private_profile.h"
#include "storage/settings_file.h"
#include "tests/guarded_child.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void WriteText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class SettingsFileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("settings-file-test-" + std::to_string(getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override
    {
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder);
    }

    std::vector<std::string> FolderEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder;
};

std::string DefaultChannelSection(int channel)
{
    return "[CHANNEL" + std::to_string(channel) +
           "]\r\nFreq=1000.00\r\nQ=0.71\r\nGain=0.00\r\nFilter=FL\r\nFreqLock=0\r\nQLock=0\r\n"
           "GainLock=0\r\n";
}

TEST(SettingsFileText, DefaultPanelWritesSeventeenSectionsInOrder)
{
    std::string expected;
    for (int channel = 1; channel <= 16; ++channel)
        expected += DefaultChannelSection(channel) + "\r\n";
    expected += "[MASTER]\r\nFreq=1000.00\r\nQ=0.71\r\nGain=0.00\r\n";
    EXPECT_EQ(SettingsFileText(PanelSettings{}), expected);
}

TEST(SettingsFileText, WritesTwoDecimalsLocksAndTokens)
{
    PanelSettings settings{};
    settings[2] = {63.88, 0.695625, 0.125, FilterType::Notch, true, false, true};
    settings[MasterStrip] = {8000.0, 5.0, 9.9, FilterType::Tone, true, true, true};
    const std::string text = SettingsFileText(settings);
    EXPECT_NE(text.find("[CHANNEL3]\r\nFreq=63.88\r\nQ=0.70\r\nGain=0.13\r\nFilter=NO\r\n"
                        "FreqLock=1\r\nQLock=0\r\nGainLock=1\r\n"),
              std::string::npos);
    // The master has no filter type and no locks, whatever its record holds.
    EXPECT_TRUE(text.ends_with("[MASTER]\r\nFreq=8000.00\r\nQ=5.00\r\nGain=9.90\r\n"));
}

TEST(SettingsFileText, RoundTripKeepsTwoDecimals)
{
    PanelSettings saved{};
    for (int index = 0; index < StripCount; ++index) {
        saved[index].freq = 40.0 + index * 471.3;
        saved[index].q = 0.15 + index * 0.2871;
        saved[index].gain = index * 0.6;
        if (index < ChannelCount) {
            saved[index].filter = static_cast<FilterType>(index % FilterTypeCount);
            saved[index].freqLock = index % 2;
            saved[index].qLock = index % 3 == 0;
            saved[index].gainLock = index % 5 == 0;
        }
    }
    PanelSettings read{};
    ReadSettingsText(SettingsFileText(saved), read);
    for (int index = 0; index < StripCount; ++index) {
        EXPECT_NEAR(read[index].freq, saved[index].freq, 0.005);
        EXPECT_NEAR(read[index].q, saved[index].q, 0.005);
        EXPECT_NEAR(read[index].gain, saved[index].gain, 0.005);
        EXPECT_EQ(read[index].filter, saved[index].filter);
        EXPECT_EQ(read[index].freqLock, saved[index].freqLock);
        EXPECT_EQ(read[index].qLock, saved[index].qLock);
        EXPECT_EQ(read[index].gainLock, saved[index].gainLock);
    }
}

TEST(ReadSettingsText, MasterOnlyFileGivesChannelDefaults)
{
    PanelSettings settings{};
    for (StripSettings& strip : settings)
        strip = {500.0, 2.0, 5.0, FilterType::High, true, true, true};
    ReadSettingsText("[MASTER]\nFreq=2000\nQ=1.5\nGain=3.3\n", settings);
    for (int index = 0; index < ChannelCount; ++index) {
        // A missing Q reads as the saved text of the default, 0.71, not 0.707.
        EXPECT_EQ(settings[index], (StripSettings{1000.0, 0.71, 0.0, FilterType::Flat}));
    }
    EXPECT_EQ(settings[MasterStrip].freq, 2000.0);
    EXPECT_EQ(settings[MasterStrip].q, 1.5);
    EXPECT_EQ(settings[MasterStrip].gain, 3.3);
    EXPECT_EQ(settings[MasterStrip].filter, FilterType::High);
}

TEST(ReadSettingsText, UnknownFilterTokenKeepsTheTypeAndNamesIgnoreCase)
{
    PanelSettings settings{};
    settings[2].filter = FilterType::Notch;
    settings[3].filter = FilterType::Notch;
    ReadSettingsText("[channel3]\nFILTER=lp\nfreq=250\n[Channel4]\nfilter=HP\n", settings);
    EXPECT_EQ(settings[2].filter, FilterType::Notch);
    EXPECT_EQ(settings[2].freq, 250.0);
    EXPECT_EQ(settings[3].filter, FilterType::High);
    EXPECT_EQ(settings[4].filter, FilterType::Flat);
}

struct ValueCase
{
    const char* text;
    double gain;
    bool lock;
};

class SettingsValueTest : public testing::TestWithParam<ValueCase>
{};

TEST_P(SettingsValueTest, NumbersAsAtofLocksOnlyForOne)
{
    PanelSettings settings{};
    const std::string value = GetParam().text;
    ReadSettingsText("[CHANNEL1]\nGain=" + value + "\nGainLock=" + value + "\n", settings);
    EXPECT_EQ(settings[0].gain, GetParam().gain);
    EXPECT_EQ(settings[0].gainLock, GetParam().lock);
}

INSTANTIATE_TEST_SUITE_P(Values, SettingsValueTest,
                         testing::Values(ValueCase{"12.5", 12.5, false}, ValueCase{"1", 1.0, true},
                                         ValueCase{" 1 ", 1.0, true}, ValueCase{"\"1\"", 1.0, true},
                                         ValueCase{"01", 1.0, false}, ValueCase{"1.0", 1.0, false},
                                         ValueCase{"abc", 0.0, false}, ValueCase{"", 0.0, false},
                                         ValueCase{"-3", -3.0, false},
                                         ValueCase{"1.234567890123456789", 1.2345678901234,
                                                   false}));

struct PathCase
{
    const char* path;
    bool loadable;
    const char* savePath;
};

class SettingsPathTest : public testing::TestWithParam<PathCase>
{};

TEST_P(SettingsPathTest, ExtensionRule)
{
    EXPECT_EQ(HasSettingsExtension(GetParam().path), GetParam().loadable);
    const auto save = SettingsSavePath(GetParam().path);
    if (GetParam().savePath)
        EXPECT_EQ(save, std::string(GetParam().savePath));
    else
        EXPECT_FALSE(save.has_value());
}

INSTANTIATE_TEST_SUITE_P(Names, SettingsPathTest,
                         testing::Values(PathCase{"/a/show.snv", true, "/a/show.snv"},
                                         PathCase{"/a/show.SNV", true, "/a/show.SNV"},
                                         PathCase{"/a/show.Snv", true, "/a/show.Snv"},
                                         PathCase{"/a/show", false, "/a/show.snv"},
                                         PathCase{"/a/show.", false, "/a/show.snv"},
                                         PathCase{"/a.b/show", false, "/a.b/show.snv"},
                                         PathCase{"/a/show.snv.bak", false, nullptr},
                                         PathCase{"/a/show.txt", false, nullptr},
                                         PathCase{"/a/show.snvx", false, nullptr},
                                         PathCase{"show.tar.snv", true, "show.tar.snv"}));

TEST_F(SettingsFileTest, SaveReplacesTheWholeFileAndLeavesNoTemporary)
{
    const fs::path path = folder / "show.snv";
    WriteText(path, "[EXTRA]\nKey=1\n[CHANNEL1]\nOld=1\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    std::string error;
    ASSERT_TRUE(WriteSettingsFile(path, PanelSettings{}, error)) << error;
    EXPECT_EQ(ReadAll(path), SettingsFileText(PanelSettings{}));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"show.snv"});
}

TEST_F(SettingsFileTest, SaveThroughALinkReplacesTheLinkedFile)
{
    const fs::path real = folder / "real.snv", link = folder / "link.snv";
    WriteText(real, "old");
    fs::create_symlink(real, link);
    std::string error;
    ASSERT_TRUE(WriteSettingsFile(link, PanelSettings{}, error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(real), SettingsFileText(PanelSettings{}));
}

TEST_F(SettingsFileTest, FailedSaveKeepsThePreviousFile)
{
    const fs::path path = folder / "show.snv";
    WriteText(path, "previous contents");

    // A file size limit makes the write fail part-way, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tiny = saved;
    tiny.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &tiny);
    std::string error;
    const bool written = WriteSettingsFile(path, PanelSettings{}, error);
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_FALSE(written);
    EXPECT_EQ(error, "File too large");
    EXPECT_EQ(ReadAll(path), "previous contents");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"show.snv"});
}

TEST_F(SettingsFileTest, SaveIntoAMissingFolderOrOverAFolderFails)
{
    std::string error;
    EXPECT_FALSE(WriteSettingsFile(folder / "missing" / "show.snv", PanelSettings{}, error));
    EXPECT_EQ(error, "cannot create a temporary file in " + (folder / "missing").string() +
                         ": No such file or directory");
    fs::create_directory(folder / "dir.snv");
    EXPECT_FALSE(WriteSettingsFile(folder / "dir.snv", PanelSettings{}, error));
    EXPECT_EQ(error, "Is a directory");
}

// Permissions do not bind root: run as root, the checks go to a child that has become an
// ordinary user owning the folder.
void AsOrdinaryUser(const fs::path& folder, const std::function<void()>& checks)
{
    constexpr uid_t Nobody = 65534;
    if (geteuid() != 0)
        return checks();
    ASSERT_EQ(chown(folder.c_str(), Nobody, Nobody), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool ordinary =
            setgroups(0, nullptr) == 0 && setgid(Nobody) == 0 && setuid(Nobody) == 0;
        if (ordinary)
            checks();
        _exit(ordinary && !testing::Test::HasFailure() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the checks failed as a user";
}

TEST_F(SettingsFileTest, ReadOnlyFolderAndFileAreNotWritten)
{
    AsOrdinaryUser(folder, [this] {
        const fs::path path = folder / "show.snv";
        WriteText(path, "previous contents");
        fs::permissions(path, fs::perms::owner_read);
        std::string error;
        EXPECT_FALSE(WriteSettingsFile(path, PanelSettings{}, error));
        EXPECT_EQ(error, "Permission denied");
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(WriteSettingsFile(folder / "new.snv", PanelSettings{}, error));
        EXPECT_EQ(error,
                  "cannot create a temporary file in " + folder.string() + ": Permission denied");
        EXPECT_EQ(ReadAll(path), "previous contents");
    });
}

TEST_F(SettingsFileTest, ReadReportsMissingAndUnreadableFilesWithoutTouchingSettings)
{
    PanelSettings settings{};
    settings[0].gain = 4.4;
    std::string error;
    EXPECT_EQ(ReadSettingsFile(folder / "none.snv", settings, error), SettingsReadResult::NotFound);
    fs::create_directory(folder / "dir.snv");
    EXPECT_EQ(ReadSettingsFile(folder / "dir.snv", settings, error),
              SettingsReadResult::Unreadable);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(settings[0].gain, 4.4);

    WriteText(folder / "junk.snv", std::string("\x00\xff binary \x01", 11));
    EXPECT_EQ(ReadSettingsFile(folder / "junk.snv", settings, error), SettingsReadResult::Read);
    for (const StripSettings& strip : settings)
        EXPECT_EQ(strip, (StripSettings{1000.0, 0.71, 0.0, FilterType::Flat}));
}

// A device node that a save gone wrong may replace: root makes its own in the test folder,
// anyone else uses /dev/null, whose folder they cannot write. None when neither is safe.
std::optional<fs::path> DisposableDevice(const fs::path& folder)
{
    const fs::path own = folder / "null";
    if (mknod(own.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        return own;
    if (access("/dev", W_OK) != 0)
        return fs::path("/dev/null");
    return std::nullopt;
}

struct NonRegularCase
{
    const char* name;
    std::function<std::optional<fs::path>(const fs::path& folder)> make;
};

TEST_F(SettingsFileTest, OnlyRegularFilesAreReadOrReplaced)
{
    const NonRegularCase cases[] = {
        {"FIFO",
         [](const fs::path& folder) {
             mkfifo((folder / "pipe.snv").c_str(), 0600);
             return std::optional(folder / "pipe.snv");
         }},
        {"link to a FIFO",
         [](const fs::path& folder) {
             mkfifo((folder / "pipe").c_str(), 0600);
             fs::create_symlink(folder / "pipe", folder / "link.snv");
             return std::optional(folder / "link.snv");
         }},
        {"link to a device",
         [](const fs::path& folder) -> std::optional<fs::path> {
             const auto device = DisposableDevice(folder);
             if (!device)
                 return std::nullopt;
             fs::create_symlink(*device, folder / "device.snv");
             return folder / "device.snv";
         }},
    };
    for (const NonRegularCase& row : cases) {
        SCOPED_TRACE(row.name);
        const auto path = row.make(folder);
        if (!path)
            continue;
        const auto before = fs::status(*path).type();
        InGuardedChild([&] {
            PanelSettings settings{};
            std::string error;
            EXPECT_EQ(ReadSettingsFile(*path, settings, error), SettingsReadResult::Unreadable);
            EXPECT_EQ(error, "not a regular file");
            error.clear();
            EXPECT_FALSE(WriteSettingsFile(*path, settings, error));
            EXPECT_EQ(error, "not a regular file");
        });
        EXPECT_EQ(fs::status(*path).type(), before);
    }
}

TEST_F(SettingsFileTest, SaveKeepsOwnerGroupAndMode)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another owner";
    constexpr uid_t Nobody = 65534;
    const fs::path given = folder / "given.snv", shared = folder / "shared.snv";
    WriteText(given, "old");
    ASSERT_EQ(chown(given.c_str(), Nobody, Nobody), 0);
    ASSERT_EQ(chmod(given.c_str(), 02640), 0);
    std::string error;
    ASSERT_TRUE(WriteSettingsFile(given, PanelSettings{}, error)) << error;
    struct stat info
    {};
    ASSERT_EQ(stat(given.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, Nobody);
    EXPECT_EQ(info.st_gid, Nobody);
    EXPECT_EQ(info.st_mode & 07777, 02640u);

    // A user who may write a file but not give it away still saves it.
    WriteText(shared, "old");
    ASSERT_EQ(chown(shared.c_str(), 0, Nobody), 0);
    ASSERT_EQ(chmod(shared.c_str(), 0664), 0);
    AsOrdinaryUser(folder, [&] {
        std::string reason;
        EXPECT_TRUE(WriteSettingsFile(shared, PanelSettings{}, reason)) << reason;
        struct stat saved
        {};
        ASSERT_EQ(stat(shared.c_str(), &saved), 0);
        EXPECT_EQ(saved.st_mode & 07777, 0664u);
    });
    EXPECT_EQ(ReadAll(shared), SettingsFileText(PanelSettings{}));
}

TEST_F(SettingsFileTest, SaveUnderTheLongestFileName)
{
    const fs::path path = folder / (std::string(NAME_MAX - 5, 'n') + ".snv");
    std::string error;
    ASSERT_TRUE(WriteSettingsFile(path, PanelSettings{}, error)) << error;
    EXPECT_EQ(ReadAll(path), SettingsFileText(PanelSettings{}));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{path.filename()});
}

struct ManyNamesCase
{
    const char* name;
    const char* head;
    std::string (*line)(int number);
    const char* tail;
};

// Every line of these files brings a name not seen before, the case in which a reader that
// searches the names it has for each line takes time by the square of the file's size: over a
// minute of CPU for a full file, against a fraction of a second for a reader that looks a
// name up in a tree, so the child's CPU limit tells them apart without timing anything.
TEST_F(SettingsFileTest, AFullFileOfNewNamesLoadsWithinACpuLimit)
{
    const ManyNamesCase cases[] = {
        {"sections", "", [](int n) { return "[S" + std::to_string(n) + "]\n"; },
         "[Last]\nKey=found\n"},
        {"keys", "[Last]\n", [](int n) { return "K" + std::to_string(n) + "=v\n"; }, "Key=found\n"},
    };
    for (const ManyNamesCase& row : cases) {
        SCOPED_TRACE(row.name);
        std::string text = row.head;
        const std::size_t bodyEnd = CPrivateProfile::MaxFileBytes - std::strlen(row.tail);
        for (int n = 0;; ++n) {
            const std::string line = row.line(n);
            if (text.size() + line.size() > bodyEnd)
                break;
            text += line;
        }
        WriteText(folder / "many.snv", text + row.tail);
        InGuardedChild([&] {
            const auto profile = CPrivateProfile::FromFile(folder / "many.snv");
            ASSERT_TRUE(profile.has_value());
            EXPECT_EQ(profile->GetString("LAST", "key", "missing"), "found");
        });
    }
}

} // namespace
