#include <climits>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <regex>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "device/page_frame.h"
#include "emulator_fixture.h"
#include "temp_dir.h"

extern char** environ;

namespace {

std::string LinkTarget(const std::string& path)
{
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof target);
    return length < 0 ? std::string() : std::string(target, static_cast<std::size_t>(length));
}

bool Exists(const std::string& path)
{
    struct stat info
    {};
    return lstat(path.c_str(), &info) == 0;
}

class EmulatorLifecycleTest : public EmulatorFixture
{
protected:
    CTempDir folder;
};

TEST_F(EmulatorLifecycleTest, PortIsAPseudoTerminalAlsoReachedThroughTheLink)
{
    const std::string link = folder.Path("sonavire");
    CEmulatedDevice device({.linkPath = link});
    std::string error;
    ASSERT_TRUE(device.Start(error)) << error;
    EXPECT_TRUE(device.PortPath().starts_with("/dev/pts/")) << device.PortPath();
    EXPECT_EQ(LinkTarget(link), device.PortPath());
    {
        CPtyClient client(link);
        EXPECT_EQ(client.Exchange("?V"), "Sonavire v1.02");
    }
    device.Stop();
    EXPECT_FALSE(Exists(link));
}

TEST_F(EmulatorLifecycleTest, StaleLinkIsReplaced)
{
    const std::string link = folder.Path("sonavire");
    ASSERT_EQ(symlink("/dev/pts/no-such-terminal", link.c_str()), 0);
    CEmulatedDevice device({.linkPath = link});
    std::string error;
    ASSERT_TRUE(device.Start(error)) << error;
    EXPECT_EQ(LinkTarget(link), device.PortPath());
}

TEST_F(EmulatorLifecycleTest, FileInThePlaceOfTheLinkStopsTheStart)
{
    const std::string link = folder.Path("sonavire");
    std::ofstream(link) << "keep me";
    CEmulatedDevice device({.linkPath = link});
    std::string error;
    EXPECT_FALSE(device.Start(error));
    EXPECT_NE(error.find(link), std::string::npos) << error;
    std::ifstream file(link);
    std::string text;
    std::getline(file, text);
    EXPECT_EQ(text, "keep me");
}

TEST_F(EmulatorLifecycleTest, DeviceStartsOnlyOnce)
{
    Start();
    std::string error;
    EXPECT_FALSE(Device().Start(error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Client().Exchange("?M"), "M01");
}

TEST_F(EmulatorLifecycleTest, PanelClosingItsSideLeavesTheDeviceWaitingWithoutSpinning)
{
    Start();
    EXPECT_EQ(Client().Exchange("?V"), "Sonavire v1.02");
    Client().Close();
    const auto before = Device().WorkerCpuTime();
    std::this_thread::sleep_for(1s);
    const auto used = Device().WorkerCpuTime() - before;
    EXPECT_LT(used, 100ms) << used.count() << " ns of CPU time while nobody was connected";

    for (int reopen = 0; reopen < 3; ++reopen) {
        CPtyClient client(Device().PortPath());
        ASSERT_TRUE(client.IsOpen());
        EXPECT_EQ(client.Exchange("?M"), "M01");
    }
}

struct LogEntry
{
    std::string marker;
    std::string text;

    bool operator==(const LogEntry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const LogEntry& entry)
{
    return out << entry.marker << ' ' << entry.text;
}

// The log's lines without their time stamps, which must be well formed and never go back.
std::vector<LogEntry> LogEntries(const std::string& path)
{
    static const std::regex entryPattern(R"(^ *([0-9]+\.[0-9]{6}) (RX|TX|--) (.*)$)");
    std::ifstream file(path);
    std::vector<LogEntry> entries;
    double previous = 0.0;
    for (std::string line; std::getline(file, line);) {
        std::smatch match;
        EXPECT_TRUE(std::regex_match(line, match, entryPattern)) << line;
        if (match.empty())
            continue;
        const double time = std::stod(match[1]);
        EXPECT_GE(time, previous) << line;
        previous = time;
        entries.push_back({match[2], match[3]});
    }
    return entries;
}

TEST_F(EmulatorLifecycleTest, LogRecordsEveryLineEscaped)
{
    const std::string log = folder.Path("traffic.log");
    Start({.logFile = log});
    EXPECT_EQ(Client().Exchange("?V"), "Sonavire v1.02");
    EXPECT_EQ(Client().Exchange("01FR"), "1000.000");
    EXPECT_EQ(Client().Exchange("\x01\\\t\xE9"), "E");
    Device().Stop();
    EXPECT_EQ(LogEntries(log), (std::vector<LogEntry>{{"RX", "?V\\r"},
                                                      {"TX", "Sonavire v1.02\\r"},
                                                      {"RX", "01FR\\r"},
                                                      {"TX", "1000.000\\r"},
                                                      {"RX", "\\x01\\\\\\t\\xE9\\r"},
                                                      {"TX", "E\\r"}}));
}

TEST_F(EmulatorLifecycleTest, LogSummarisesEachFrame)
{
    const std::string log = folder.Path("traffic.log");
    Start({.logFile = log, .updateMode = true});
    const std::vector<std::uint8_t> image(10, 0x10);
    Client().Command("UF");
    ASSERT_EQ(Client().ReadLine(), "<<");
    const PageFrame frame = MakePageFrame(image, 0);
    Client().Write(std::string(frame.begin(), frame.end()));
    ASSERT_EQ(Client().ReadLine(), "<<");
    Client().Write(std::string(EndFrame.begin(), EndFrame.end()));
    ASSERT_TRUE(WaitUntil([&] { return Device().TransferComplete(); }));
    Device().Stop();
    // Ten bytes of 0x10 and 246 of 0xFF: 160 + 246 * 255 = 62890, whose low byte is 0xAA.
    EXPECT_EQ(LogEntries(log), (std::vector<LogEntry>{{"RX", "UF\\r"},
                                                      {"TX", "<<\\r"},
                                                      {"RX", "page 0, checksum 0xAA, accepted"},
                                                      {"TX", "<<\\r"},
                                                      {"RX", "end frame"}}));
}

// sonavire-emu run as a child process with its standard input and output on pipes.
class CEmuProcess
{
public:
    explicit CEmuProcess(std::vector<std::string> arguments, bool closedInput = false)
    {
        int input[2];
        int output[2];
        if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (closedInput)
            posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        else
            posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        arguments.insert(arguments.begin(), SONAVIRE_EMU_PATH);
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(input[0]);
        close(output[1]);
        toChild = input[1];
        fromChild = output[0];
    }

    ~CEmuProcess()
    {
        if (pid > 0 && !exitStatus) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        close(toChild);
        close(fromChild);
    }

    bool Running() const { return pid > 0; }

    void Send(std::string_view text)
    {
        [[maybe_unused]] const ssize_t written = write(toChild, text.data(), text.size());
    }

    std::optional<std::string> ReadLine()
    {
        for (auto end = held.find('\n'); end == std::string::npos; end = held.find('\n')) {
            pollfd in{fromChild, POLLIN, 0};
            char buffer[512];
            if (poll(&in, 1, static_cast<int>(CPtyClient::DefaultWait.count())) != 1)
                return std::nullopt;
            const ssize_t count = read(fromChild, buffer, sizeof buffer);
            if (count <= 0)
                return std::nullopt;
            held.append(buffer, static_cast<std::size_t>(count));
        }
        const auto end = held.find('\n');
        std::string line = held.substr(0, end);
        held.erase(0, end + 1);
        return line;
    }

    void Signal(int number)
    {
        if (pid > 0)
            kill(pid, number);
    }

    // The exit code, once the program has ended by itself.
    std::optional<int> ExitCode()
    {
        int status = 0;
        const bool ended = WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; });
        if (ended)
            exitStatus = status;
        if (!ended || !WIFEXITED(status))
            return std::nullopt;
        return WEXITSTATUS(status);
    }

private:
    pid_t pid = -1;
    int toChild = -1;
    int fromChild = -1;
    std::string held;
    std::optional<int> exitStatus;
};

class EmulatorProgramTest : public testing::Test
{
protected:
    CTempDir folder;
};

TEST_F(EmulatorProgramTest, PrintsThePortTakesSteeringAndQuits)
{
    const std::string link = folder.Path("sonavire");
    CEmuProcess program({"--link", link});
    ASSERT_TRUE(program.Running());
    const auto port = program.ReadLine();
    ASSERT_TRUE(port.has_value());
    EXPECT_EQ(LinkTarget(link), *port);
    {
        CPtyClient client(*port);
        EXPECT_EQ(client.Exchange("?V"), "Sonavire v1.02");
        program.Send("status\n");
        EXPECT_EQ(program.ReadLine(), "ok mode=normal frontpanel=locked fault=none pending=none "
                                      "line=up lines=1 pages=0 transfer=idle");
        program.Send("fault refuse\nbogus\n");
        EXPECT_EQ(program.ReadLine(), "ok");
        EXPECT_EQ(program.ReadLine(), "error: unknown command 'bogus'");
        EXPECT_EQ(client.Exchange("?M"), "E");
    }
    program.Send("quit\n");
    EXPECT_EQ(program.ReadLine(), "ok");
    EXPECT_EQ(program.ExitCode(), 0);
    EXPECT_FALSE(Exists(link));
}

TEST_F(EmulatorProgramTest, KeepsRunningAfterItsInputEndsUntilTerminated)
{
    const std::string link = folder.Path("sonavire");
    CEmuProcess program(
        {"--link", link, "--update-mode", "--front-panel-active", "--latency-timer", "16"}, true);
    const auto port = program.ReadLine();
    ASSERT_TRUE(port.has_value());
    {
        CPtyClient client(*port);
        EXPECT_EQ(client.Exchange("?M"), "M00");
    }
    program.Signal(SIGTERM);
    EXPECT_EQ(program.ExitCode(), 0);
    EXPECT_FALSE(Exists(link));
}

TEST_F(EmulatorProgramTest, InterruptStopsItCleanly)
{
    const std::string link = folder.Path("sonavire");
    CEmuProcess program({"--link", link, "--front-panel-active"});
    const auto port = program.ReadLine();
    ASSERT_TRUE(port.has_value());
    {
        CPtyClient client(*port);
        EXPECT_EQ(client.Exchange("FP"), "F01");
    }
    program.Signal(SIGINT);
    EXPECT_EQ(program.ExitCode(), 0);
    EXPECT_FALSE(Exists(link));
}

class EmulatorProgramUsageTest : public testing::TestWithParam<std::vector<std::string>>
{};

TEST_P(EmulatorProgramUsageTest, BadUsageExitsWithTwo)
{
    CEmuProcess program(GetParam());
    EXPECT_EQ(program.ReadLine(), std::nullopt);
    EXPECT_EQ(program.ExitCode(), 2);
}

INSTANTIATE_TEST_SUITE_P(Arguments, EmulatorProgramUsageTest,
                         testing::Values(std::vector<std::string>{"--bogus"},
                                         std::vector<std::string>{"--link"},
                                         std::vector<std::string>{"--paced", "extra"},
                                         std::vector<std::string>{"--state"},
                                         std::vector<std::string>{"--latency-timer"},
                                         std::vector<std::string>{"--latency-timer", "16ms"},
                                         std::vector<std::string>{"--latency-timer", "256"},
                                         std::vector<std::string>{"--latency-timer", "-1"}));

TEST(EmulatorProgramHelpTest, HelpNamesEveryOption)
{
    CEmuProcess program({"--help"});
    std::string help;
    while (const auto line = program.ReadLine())
        help += *line + '\n';
    EXPECT_EQ(program.ExitCode(), 0);
    for (const char* option : {"--link", "--state", "--firmware-out", "--log", "--paced",
                               "--latency-timer", "--update-mode", "--front-panel-active"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

} // namespace
