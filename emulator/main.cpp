// sonavire-emu: an emulated Sonavire on a pseudo-terminal. Prints the port path, then takes
// steering commands on standard input (see control_language.h) until "quit", SIGINT or
// SIGTERM. The end of standard input does not stop it, so it can run in the background.

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/signalfd.h>
#include <unistd.h>

#include "emulator/emulated_device.h"
#include "emulator/unique_fd.h"

namespace {

constexpr int UsageExit = 2;
constexpr int StartExit = 1;
constexpr std::string_view QuitCommand = "quit";
// The adapters' own range of latency timers, in milliseconds.
constexpr int LongestLatencyTimerMs = 255;

constexpr const char* UsageText =
    "usage: sonavire-emu [--link PATH] [--state FILE] [--firmware-out FILE] [--log FILE]\n"
    "                    [--paced] [--latency-timer MS] [--update-mode]\n"
    "                    [--front-panel-active]\n"
    "\n"
    "Runs an emulated Sonavire on a pseudo-terminal and prints its port path.\n"
    "  --link PATH          also reach the port through a symbolic link at PATH\n"
    "  --state FILE         the stored settings (settings-file format), written by ST\n"
    "  --firmware-out FILE  where the image of a completed firmware transfer goes\n"
    "  --log FILE           record every line received and sent\n"
    "  --paced              take the wire time of 38400 baud for every byte\n"
    "  --latency-timer MS   hold the bytes sent as a USB serial adapter with a latency\n"
    "                       timer of MS milliseconds (0 to 255; 0, the default, for none)\n"
    "  --update-mode        start with the 'OS Update' switch on\n"
    "  --front-panel-active start with the front-panel volume controls in charge\n"
    "\n"
    "Standard input takes one command per line: mode update|normal, frontpanel\n"
    "active|locked, volume CH VALUE, fault NAME [after N | at TEXT], abort-after N,\n"
    "clear, status, quit.\n";

struct PathOption
{
    std::string_view name;
    std::string EmulatorOptions::*field;
};
constexpr PathOption PathOptions[] = {
    {"--link", &EmulatorOptions::linkPath},
    {"--state", &EmulatorOptions::stateFile},
    {"--firmware-out", &EmulatorOptions::firmwareOut},
    {"--log", &EmulatorOptions::logFile},
};

struct FlagOption
{
    std::string_view name;
    bool EmulatorOptions::*field;
};
constexpr FlagOption FlagOptions[] = {
    {"--paced", &EmulatorOptions::paced},
    {"--update-mode", &EmulatorOptions::updateMode},
    {"--front-panel-active", &EmulatorOptions::frontPanelActive},
};

struct NumberOption
{
    std::string_view name;
    int EmulatorOptions::*field;
    int largest;
};
constexpr NumberOption NumberOptions[] = {
    {"--latency-timer", &EmulatorOptions::latencyTimerMs, LongestLatencyTimerMs},
};

// A whole number from 0 to largest, and nothing else.
bool ParseNumber(std::string_view text, int largest, int& number)
{
    int parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed < 0 || parsed > largest)
        return false;
    number = parsed;
    return true;
}

enum class Arguments
{
    Run,
    Help,
    Bad,
};

bool TakeOption(std::string_view name, int& index, int argc, char** argv, EmulatorOptions& options)
{
    for (const FlagOption& flag : FlagOptions) {
        if (flag.name == name) {
            options.*flag.field = true;
            return true;
        }
    }
    for (const PathOption& path : PathOptions) {
        if (path.name == name && index + 1 < argc) {
            options.*path.field = argv[++index];
            return true;
        }
    }
    for (const NumberOption& number : NumberOptions) {
        if (number.name == name && index + 1 < argc)
            return ParseNumber(argv[++index], number.largest, options.*number.field);
    }
    return false;
}

Arguments ParseArguments(int argc, char** argv, EmulatorOptions& options)
{
    for (int index = 1; index < argc; ++index) {
        const std::string_view argument = argv[index];
        if (argument == "--help")
            return Arguments::Help;
        if (!TakeOption(argument, index, argc, argv, options))
            return Arguments::Bad;
    }
    return Arguments::Run;
}

// Blocked in every thread (the worker inherits the mask), so both arrive through the
// descriptor and the device is stopped cleanly, its link removed.
CUniqueFd TerminationSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    return CUniqueFd(signalfd(-1, &signals, SFD_CLOEXEC));
}

void Reply(const std::string& text)
{
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

// Runs each complete line of pending; false once "quit" has been read.
bool RunLines(CEmulatedDevice& device, std::string& pending)
{
    for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos)
            continue;
        if (line == QuitCommand) {
            Reply("ok");
            return false;
        }
        std::string reply;
        device.ApplyControlLine(line, reply);
        Reply(reply);
    }
    return true;
}

void Serve(CEmulatedDevice& device, int signals)
{
    std::string pending;
    pollfd fds[] = {{STDIN_FILENO, POLLIN, 0}, {signals, POLLIN, 0}};
    for (;;) {
        if (poll(fds, std::size(fds), -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents & POLLIN)
            return;
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        char buffer[4096];
        const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0 && !(count < 0 && errno == EINTR)) {
            fds[0].fd = -1; // end of input: keep serving until a signal
            continue;
        }
        pending.append(buffer, static_cast<std::size_t>(count > 0 ? count : 0));
        if (!RunLines(device, pending))
            return;
    }
}

} // namespace

int main(int argc, char** argv)
{
    EmulatorOptions options;
    switch (ParseArguments(argc, argv, options)) {
    case Arguments::Help:
        std::fputs(UsageText, stdout);
        return 0;
    case Arguments::Bad:
        std::fputs(UsageText, stderr);
        return UsageExit;
    case Arguments::Run:
        break;
    }
    std::signal(SIGPIPE, SIG_IGN);
    const CUniqueFd signals = TerminationSignals();
    if (!signals.IsOpen()) {
        std::perror("sonavire-emu: signalfd");
        return StartExit;
    }
    CEmulatedDevice device(options);
    std::string error;
    if (!device.Start(error)) {
        std::fprintf(stderr, "sonavire-emu: %s\n", error.c_str());
        return StartExit;
    }
    Reply(device.PortPath());
    Serve(device, signals.Get());
    device.Stop();
    return 0;
}
