#include <arpa/inet.h>
#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iomanip>
#include <poll.h>
#include <regex>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "emulator/emulated_device.h"
#include "tests/osc_tools.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace std::string_literals;

namespace {

using Words = std::vector<std::string>;

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds limit = 30s)
{
    for (const auto deadline = std::chrono::steady_clock::now() + limit;
         std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(20ms)) {
        if (condition())
            return true;
    }
    return condition();
}

// The exit status of a child, or -1 when it did not end in time (it is killed then).
int WaitForExit(pid_t pid, std::chrono::seconds limit = 30s)
{
    int status = 0;
    if (!WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::size_t CountOf(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The set commands among the lines, the polls and reads left out: "4.50003GA", "LP02FI".
Words SetLines(const Words& lines)
{
    const std::regex set(".+\\d\\d(GA|FR|FQ|FI|CC)");
    Words sets;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(sets),
                 [&](const std::string& line) { return std::regex_match(line, set); });
    return sets;
}

class ServeTest : public testing::Test
{
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("serve-test-" + std::to_string(getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
        client = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local = Loopback(0);
        ASSERT_EQ(bind(client, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
    }
    void TearDown() override
    {
        for (const pid_t child : children) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        close(client);
        device.reset();
        fs::remove_all(folder);
    }

    static sockaddr_in Loopback(int port)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }

    static int PortOf(int socket)
    {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
        return ntohs(address.sin_port);
    }

    void StartDevice(EmulatorOptions options = {})
    {
        device = std::make_unique<CEmulatedDevice>(std::move(options));
        std::string error;
        ASSERT_TRUE(device->Start(error)) << error;
    }

    pid_t Spawn(const Words& words, const std::string& name)
    {
        const pid_t pid = SpawnChild(words, folder / (name + ".out"), folder / (name + ".err"));
        EXPECT_GT(pid, 0) << words[0];
        if (pid > 0)
            children.push_back(pid);
        return pid;
    }

    int RunToEnd(const Words& words, const std::string& name)
    {
        const pid_t pid = Spawn(words, name);
        const int status = pid > 0 ? WaitForExit(pid) : -1;
        std::erase(children, pid);
        return status;
    }

    // Starts serve on the device's link, or a path given, and learns the OSC port it chose.
    void StartServe(const std::string& port)
    {
        serve = Spawn({SONAVIRE_CLI_PATH, "serve", "--osc", "0", "--port", port}, "serve");
        const std::regex listening("serve: listening for OSC on 127\\.0\\.0\\.1:(\\d+) ");
        // The match points into the log it was found in, which must outlive it.
        std::string log;
        std::smatch match;
        ASSERT_TRUE(WaitFor([&] {
            log = ServeLog();
            return std::regex_search(log, match, listening);
        })) << ServeLog();
        oscPort = std::stoi(match[1]);
    }

    std::string ServeLog() const { return ReadFile(folder / "serve.err"); }
    bool ServeSaid(const std::string& text, std::size_t times = 1) const
    {
        return WaitFor([&] { return CountOf(ServeLog(), text) >= times; });
    }

    void OscSend(const Words& message) { EXPECT_EQ(::OscSend(oscPort, message), 0); }

    // What the service answers a message sent from a client's own socket.
    std::string Ask(const std::string& path, const std::string& types = {},
                    const Words& values = {})
    {
        return OscAsk(oscPort, path, types, values);
    }

    void SendRaw(const std::string& bytes)
    {
        const sockaddr_in to = Loopback(oscPort);
        sendto(client, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof to);
    }

    fs::path folder;
    std::unique_ptr<CEmulatedDevice> device;
    std::vector<pid_t> children;
    pid_t serve = -1;
    int oscPort = 0;
    int client = -1;
};

TEST_F(ServeTest, RefusesBadOptionsAndABusyPortBeforeTouchingTheDevice)
{
    StartDevice();
    const std::string busy = std::to_string(PortOf(client));
    struct Case
    {
        Words arguments;
        int status;
        std::string said;
    };
    const Case cases[] = {
        {{}, 2, "serve needs --osc PORT"},
        {{"--osc", "65536"}, 2, "--osc takes a UDP port from 0 to 65535"},
        {{"--osc", "0", "--osc-bind", "localhost"}, 2, "not a numeric IPv4 or IPv6 address"},
        {{"--osc", "0", "--osc-allow", "10.0.0.1,,10.0.0.2"}, 2, "an empty address"},
        {{"--osc", "0", "--verbose"}, 2, "serve does not take --verbose"},
        {{"--osc", busy}, 1, "cannot listen on 127.0.0.1:" + busy + ": Address already in use"},
    };
    for (const Case& c : cases) {
        Words words = {SONAVIRE_CLI_PATH, "--port", device->PortPath(), "serve"};
        words.insert(words.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(RunToEnd(words, "serve"), c.status) << c.said;
        EXPECT_NE(ServeLog().find(c.said), std::string::npos) << ServeLog();
    }
    EXPECT_TRUE(device->ReceivedLines().empty());
}

// Each value goes out as the command `sonavire-cli set` sends for it; the master moves only
// the channels locked to it.
TEST_F(ServeTest, SetsArriveAsTheirExactCommands)
{
    StartDevice();
    StartServe(device->PortPath());
    ASSERT_TRUE(ServeSaid("connected to Sonavire on")) << ServeLog();
    OscSend({"/sonavire/channel/5/lock/gain", "i", "1"});
    const std::pair<Words, std::string> cases[] = {
        {{"/sonavire/channel/3/gain", "f", "4.5"}, "4.50003GA"},
        {{"/sonavire/master/gain", "f", "3.5"}, "3.50005GA"},
        {{"/sonavire/channel/16/freq", "f", "4000"}, "4000.00016FR"},
        {{"/sonavire/channel/1/q", "f", "0.15"}, "0.15001FQ"},
        {{"/sonavire/channel/7/gain", "i", "9"}, "9.00007GA"},
        {{"/sonavire/channel/2/filter", "s", "low"}, "LP02FI"},
        {{"/sonavire/channel/4/filter", "s", "NO"}, "NO04FI"},
    };
    Words expected;
    for (const auto& [message, line] : cases) {
        OscSend(message);
        expected.push_back(line);
        EXPECT_TRUE(WaitFor([&] {
            return SetLines(device->ReceivedLines()).size() >= expected.size();
        })) << line;
    }
    EXPECT_EQ(SetLines(device->ReceivedLines()), expected);
}

// A subscriber hears the whole picture, then what the device's own knob changed; a query is
// answered with the value.
TEST_F(ServeTest, SubscribersHearTheSnapshotAndFrontPanelChanges)
{
    StartDevice();
    device->SetChannelSettings(2, {750.0, 1.25, 3.5, FilterType::High});
    StartServe(device->PortPath());
    COscDump dump;
    OscSend({"/sonavire/subscribe", "i", std::to_string(dump.Port())});
    for (const char* heard :
         {"/sonavire/state isss 1 \"live\" \"locked\" \"Sonavire v1.02\"",
          "/sonavire/channel/3/freq f 750.000000", "/sonavire/channel/3/q f 1.250000",
          "/sonavire/channel/3/gain f 3.500000", "/sonavire/channel/3/filter s \"HP\""})
        EXPECT_TRUE(dump.WaitFor(heard)) << heard;

    EXPECT_EQ(Ask("/sonavire/channel/3/freq"), "/sonavire/channel/3/freq f 750.000000");

    device->SetFrontPanelActive(true);
    device->SetFrontPanelVolume(1, 4.5);
    for (const char* heard :
         {"/sonavire/state isss 1 \"live\" \"active\"", "/sonavire/channel/2/gain f 4.500000"})
        EXPECT_TRUE(dump.WaitFor(heard)) << heard;
}

// A fader streamed far faster than the 38400-baud line ends on its last value, without the
// line working through every value that came before.
TEST_F(ServeTest, AFloodOfValuesEndsOnTheLastOne)
{
    StartDevice({.paced = true});
    StartServe(device->PortPath());
    ASSERT_TRUE(ServeSaid("connected to Sonavire on")) << ServeLog();
    constexpr int Count = 10000;
    // One datagram each: oscsendfile bundles lines that share a time tag. 30 µs apart.
    std::ofstream file(folder / "flood.txt");
    for (int index = 0; index < Count; ++index) {
        const std::uint64_t tag = (0xeec1dd40ull << 32) + index * 128849ull;
        file << std::hex << std::setfill('0') << std::setw(8) << (tag >> 32) << "." << std::setw(8)
             << (tag & 0xffffffff) << std::dec << " /sonavire/channel/3/gain f "
             << (index + 1 == Count ? 7.25 : index % 99 / 10.0) << "\n";
    }
    file.close();
    EXPECT_EQ(RunToEnd({OSCSENDFILE_PATH, "127.0.0.1", std::to_string(oscPort),
                        (folder / "flood.txt").string()},
                       "oscsendfile"),
              0);
    EXPECT_TRUE(WaitFor([&] { return device->Settings()[2].gain == 7.25; }, 60s))
        << device->Settings()[2].gain;
    const Words sets = SetLines(device->ReceivedLines());
    ASSERT_FALSE(sets.empty());
    EXPECT_EQ(sets.back(), "7.25003GA");
    EXPECT_LT(sets.size(), Count / 10u);
}

// Nothing a client sends wrongly reaches the device or stops the service; each mistake it
// can be told of comes back to it as an error naming the address.
TEST_F(ServeTest, BadPacketsChangeNothing)
{
    StartDevice();
    StartServe(device->PortPath());
    ASSERT_TRUE(ServeSaid("connected to Sonavire on")) << ServeLog();
    struct Mistake
    {
        const char* path;
        const char* types;
        Words values;
        const char* reason;
    };
    const Mistake mistakes[] = {
        {"/sonavire/channel/3/gain", "s", {"loud"}, "takes one number from 0 to 9.9"},
        {"/sonavire/channel/3/gain", "f", {"nan"}, "takes one number from 0 to 9.9"},
        {"/sonavire/channel/3/gain", "f", {"10"}, "takes one number from 0 to 9.9"},
        {"/sonavire/channel/3/gain", "ff", {"1", "2"}, "takes one number"},
        {"/sonavire/channel/1/freq", "f", {"39"}, "takes one number from 40 to 8000"},
        {"/sonavire/channel/2/filter", "s", {"XX"}, "takes one filter"},
        {"/sonavire/channel/2/lock/q", "i", {"2"}, "takes 0 or 1"},
        {"/sonavire/channel/17/gain", "f", {"1"}, "unknown address"},
        {"/sonavire/master/filter", "s", {"LP"}, "unknown address"},
        {"/sonavire/store", "i", {"1"}, "takes no arguments"},
    };
    for (const Mistake& m : mistakes) {
        const std::string error = Ask(m.path, m.types, m.values);
        EXPECT_TRUE(error.starts_with("/sonavire/error ss \"" + std::string(m.path) + "\""))
            << error;
        EXPECT_NE(error.find(m.reason), std::string::npos) << error;
    }
    OscSend({"/sonavire/channel/3/gain", "s", "loud"});
    OscSend({"/sonavire/channel/3/gain", "f", "nan"});
    const std::string garbage[] = {
        std::string(),
        std::string("\xff\x00\x13garbage", 10),
        std::string("/sonavire/channel/3/gain\0\0\0\0,f\0\0", 32),
        // A bundle whose one element claims far more bytes than follow.
        "#bundle\0\0\0\0\0\0\0\0\1\x7f\xff\xff\xff/sonavire"s,
    };
    for (const std::string& bytes : garbage)
        SendRaw(bytes);

    EXPECT_EQ(Ask("/sonavire/channel/3/gain"), "/sonavire/channel/3/gain f 0.000000") << ServeLog();
    EXPECT_EQ(waitpid(serve, nullptr, WNOHANG), 0);
    EXPECT_EQ(SetLines(device->ReceivedLines()), Words{});
}

// The service waits for an absent device, reads everything whenever it connects, comes back
// to a device that went away, and ends cleanly on SIGTERM.
TEST_F(ServeTest, ReconnectsAndEndsOnSigterm)
{
    const std::string link = folder / "sonavire";
    StartServe(link);
    EXPECT_TRUE(ServeSaid("unable to connect to Sonavire: cannot open " + link)) << ServeLog();
    for (std::size_t connection = 1; connection <= 2; ++connection) {
        StartDevice({.linkPath = link});
        ASSERT_TRUE(ServeSaid("connected to Sonavire on " + link, connection)) << ServeLog();
        // The last read of a read-all.
        EXPECT_TRUE(WaitFor([&] {
            const Words lines = device->ReceivedLines();
            return std::find(lines.begin(), lines.end(), "16FQ") != lines.end();
        }));
        if (connection == 1) {
            device->Stop();
            EXPECT_TRUE(ServeSaid("Lost Connection with Sonavire; reconnecting every 2 s"))
                << ServeLog();
        }
    }
    kill(serve, SIGTERM);
    EXPECT_EQ(WaitForExit(serve), 0) << ServeLog();
    std::erase(children, serve);
    EXPECT_EQ(CountOf(ServeLog(), "Lost Connection"), 1u) << ServeLog();
    EXPECT_NE(ServeLog().find("serve: stopped; " + link + " is closed"), std::string::npos);
}

} // namespace
