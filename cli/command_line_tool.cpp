#include "cli/command_line_tool.h"
#include "cli/interrupt_guard.h"
#include "cli/remote_service.h"

#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <iomanip>
#include <ostream>
#include <sstream>
#include <sys/stat.h>

#include "controls/response_plot.h"
#include "device/command_set.h"
#include "device/page_frame.h"
#include "firmware/fileio.h"
#include "model/number_format.h"
#include "model/response_table.h"
#include "model/settings_difference.h"
#include "model/value_scale.h"
#include "serial/serial_port_list.h"
#include "storage/atomic_file.h"
#include "storage/port_preference.h"
#include "storage/settings_file.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto PollInterval = std::chrono::milliseconds(1000);
// The longest the monitor waits for port events before it looks for an interrupt again.
constexpr auto InterruptCheckInterval = std::chrono::milliseconds(100);
constexpr const char* CompleteSuffix = "Complete!";
// Where the summaries of the commands start in --help, after two blanks.
constexpr std::size_t UsageColumn = 34;
// What diff takes for the settings the connected device holds.
constexpr const char* DeviceWord = "device";
// What response takes for the standard output.
constexpr const char* StandardOutput = "-";

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Extension(const std::string& path)
{
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    return Upper(path.substr(dot + 1));
}

bool ParseWholeNumber(const std::string& text, double& value)
{
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

struct ValueRange
{
    const char* name;
    const ValueScale& scale;
};

constexpr ValueRange ValueRanges[] = {
    {"freq", FrequencyScale},
    {"q", QScale},
    {"gain", GainScale},
};

const ValueRange* FindValueRange(const std::string& name)
{
    for (const ValueRange& range : ValueRanges) {
        if (name == range.name)
            return &range;
    }
    return nullptr;
}

bool IsSameFile(const std::string& a, const std::string& b)
{
    struct stat first
    {};
    struct stat second
    {};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string FrontPanelName(bool locked)
{
    return locked ? "locked (the panel's gain faders are active)"
                  : "active (the panel's gain faders are disabled)";
}

std::string TrimRight(std::string text)
{
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// What `serve` was given; each option takes a value, as "--osc 9000" or "--osc=9000".
struct ServeArguments
{
    std::string osc;
    std::string bind = "127.0.0.1";
    std::string allow;
    std::string port;
};

struct ServeOption
{
    const char* name;
    std::string ServeArguments::*field;
};

constexpr ServeOption ServeOptions[] = {
    {"--osc", &ServeArguments::osc},
    {"--osc-bind", &ServeArguments::bind},
    {"--osc-allow", &ServeArguments::allow},
    {"--port", &ServeArguments::port},
};

// Fills parsed from the arguments; the usage problem, or empty when they are all understood.
std::string ParseServeArguments(const std::vector<std::string>& arguments, ServeArguments& parsed)
{
    for (std::size_t next = 0; next < arguments.size(); ++next) {
        const std::string& argument = arguments[next];
        const auto option = std::find_if(
            std::begin(ServeOptions), std::end(ServeOptions), [&](const ServeOption& known) {
                return argument == known.name ||
                       argument.starts_with(known.name + std::string("="));
            });
        if (option == std::end(ServeOptions))
            return "serve does not take " + argument + " (try serve --help)";
        const std::size_t nameLength = std::string(option->name).size();
        if (argument.size() > nameLength)
            parsed.*option->field = argument.substr(nameLength + 1);
        else if (next + 1 < arguments.size())
            parsed.*option->field = arguments[++next];
        else
            return std::string(option->name) + " needs a value";
        if ((parsed.*option->field).empty())
            return std::string(option->name) + " needs a value, not an empty one";
    }
    return {};
}

// Reads a settings file named by the user; the problem in plain words, or empty when it was
// read.
std::string LoadSettingsFile(const std::string& path, PanelSettings& settings)
{
    if (!HasSettingsExtension(path))
        return path + " is not a valid Sonavire file (it needs .snv)";
    std::string error;
    switch (ReadSettingsFile(path, settings, error)) {
    case SettingsReadResult::NotFound:
        return path + " does not exist";
    case SettingsReadResult::Unreadable:
        return "cannot read " + path + ": " + error;
    case SettingsReadResult::Read:
        break;
    }
    return {};
}

// Qt's GUI starts only here, and on the offscreen platform, so that a picture needs no display
// and the other commands never load it.
bool SavePicture(const PanelSettings& settings, const std::string& path, std::string& error)
{
    char name[] = "sonavire-cli";
    char platformOption[] = "-platform";
    char platform[] = "offscreen";
    char* argv[] = {name, platformOption, platform, nullptr};
    int argc = 3;
    const QGuiApplication application(argc, argv);
    return SaveResponsePicture(ResponseScene{settings, std::nullopt, -1}, path, error);
}

std::optional<int> ParseUdpPort(const std::string& text)
{
    int port = -1;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, port);
    if (result.ec != std::errc() || result.ptr != end || port < 0 || port > 65535)
        return std::nullopt;
    return port;
}

std::vector<std::string> SplitAtCommas(const std::string& text)
{
    std::vector<std::string> parts;
    std::istringstream list(text);
    for (std::string part; std::getline(list, part, ',');)
        parts.push_back(part);
    return parts;
}

// Why the remote options cannot be used, before anything is opened; empty when they can.
std::string CheckRemoteOptions(const RemoteOptions& options)
{
    std::string error;
    if (!ParseOscEndpoint(options.bindAddress, options.port, error))
        return "--osc-bind: " + error;
    for (const std::string& client : options.allowedClients) {
        if (!ParseOscEndpoint(client, 0, error))
            return "--osc-allow: " + (client.empty() ? "an empty address" : error);
    }
    return {};
}

} // namespace

CCommandLineTool::CCommandLineTool(std::ostream& output, std::ostream& error)
    : out(output), err(error)
{
    link.Attach(this, &port);
}

const std::vector<CCommandLineTool::Command>& CCommandLineTool::Commands()
{
    static const std::vector<Command> commands = {
        {"ports", &CCommandLineTool::Ports, "ports",
         "list the serial ports of this machine, marked free, in use or without permission"},
        {"info", &CCommandLineTool::Info, "info",
         "show the device's identification, mode, version and front-panel state"},
        {"retrieve", &CCommandLineTool::Retrieve, "retrieve [-o FILE.snv]",
         "read the sixteen channels from the device; -o also saves them as a settings file"},
        {"download", &CCommandLineTool::Download, "download FILE.snv",
         "send a settings file's channels to the device and store them there"},
        {"store", &CCommandLineTool::Store, "store",
         "make the device store its current settings permanently"},
        {"set", &CCommandLineTool::Set, "set CH freq|q|gain|filter VALUE",
         "set one value of channel CH (1 to 16); a filter VALUE is BP, FL, HP, LP, NO or TO"},
        {"flash", &CCommandLineTool::Flash, "flash FILE.hex",
         "send a firmware image to a device in firmware-update mode"},
        {"image", &CCommandLineTool::Image, "image FILE.hex -o OUT.bin",
         "read a firmware file as the panel does and write its image bytes"},
        {"monitor", &CCommandLineTool::Monitor, "monitor",
         "poll the device once a second and print what changes, until interrupted"},
        {"serve", &CCommandLineTool::Serve,
         "serve --osc PORT [--osc-bind ADDRESS] [--osc-allow ADDRESS[,ADDRESS...]]",
         "steer the device over OSC on UDP PORT, reconnecting when it goes away, until "
         "interrupted"},
        {"diff", &CCommandLineTool::Diff, "diff A B",
         "print the values two sets of settings differ in; A and B are each a FILE.snv or "
         "device"},
        {"response", &CCommandLineTool::Response, "response FILE.snv -o OUT",
         "write the channels' nominal filter responses to OUT.csv, OUT.svg or OUT.png "
         "(-o - prints the CSV)"},
    };
    return commands;
}

void CCommandLineTool::PrintHelp(const Command* command)
{
    if (command) {
        out << "usage: sonavire-cli [--port PORT] " << command->usage << "\n\n"
            << command->summary << ".\n";
        return;
    }
    out << "usage: sonavire-cli [--port PORT] COMMAND [ARGUMENTS]\n\n"
        << "Talks to a Sonavire on a serial port. PORT defaults to the port the panel\n"
        << "remembers (" << PortPreferencePath() << ").\n\nCommands:\n";
    for (const Command& entry : Commands()) {
        const std::string usage = entry.usage;
        out << "  " << std::left << std::setw(UsageColumn) << usage;
        // A usage too wide for its column would run into its summary.
        if (usage.size() >= UsageColumn)
            out << "\n" << std::string(UsageColumn + 2, ' ');
        out << entry.summary << "\n";
    }
    out << "\nExit status: 0 success, 1 the device failed, 2 bad usage or a bad file;\n"
        << "diff: 0 alike, 1 different, 2 an input that cannot be read.\n"
        << "Every command takes --help.\n";
}

int CCommandLineTool::Usage(const std::string& problem)
{
    err << "sonavire-cli: " << problem << "\n";
    return UsageError;
}

int CCommandLineTool::Failure(const std::string& problem)
{
    err << "sonavire-cli: " << problem << "\n";
    return DeviceFailure;
}

int CCommandLineTool::Run(const Arguments& arguments)
{
    std::size_t next = 0;
    std::optional<std::string> chosenPort;
    while (next < arguments.size() && arguments[next].starts_with("-")) {
        const std::string& option = arguments[next];
        if (option == "--help" || option == "-h") {
            PrintHelp(nullptr);
            return Success;
        }
        if (option == "--port" && next + 1 < arguments.size()) {
            chosenPort = arguments[next + 1];
            next += 2;
        } else if (option.starts_with("--port=")) {
            chosenPort = option.substr(7);
            ++next;
        } else if (option == "--port") {
            return Usage("--port needs a port name");
        } else {
            return Usage("unknown option " + option + " (try --help)");
        }
    }
    if (chosenPort && chosenPort->empty())
        return Usage("--port needs a port name, not an empty one");
    if (next == arguments.size())
        return Usage("no command given (try --help)");

    const std::string& name = arguments[next];
    const Arguments rest(arguments.begin() + static_cast<long>(next) + 1, arguments.end());
    for (const Command& command : Commands()) {
        if (name != command.name)
            continue;
        if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
            PrintHelp(&command);
            return Success;
        }
        portName = chosenPort ? *chosenPort : ReadRememberedPort();
        const CInterruptGuard guard;
        port.SetCancelDescriptor(guard.Descriptor());
        interruptDescriptor = guard.Descriptor();
        const int status = (this->*command.run)(rest);
        link.Disconnect();
        port.SetCancelDescriptor(-1);
        return status;
    }
    return Usage("unknown command " + name + " (try --help)");
}

int CCommandLineTool::ReportInterrupt()
{
    link.Disconnect();
    return Failure("interrupted");
}

bool CCommandLineTool::ConnectDevice()
{
    if (link.Connect(portName))
        return true;
    if (!CInterruptGuard::Interrupted())
        Failure("unable to connect to Sonavire: " + link.ConnectFailure());
    return false;
}

int CCommandLineTool::ConnectFailed()
{
    return CInterruptGuard::Interrupted() ? ReportInterrupt() : DeviceFailure;
}

bool CCommandLineTool::QueryLiveMode(std::string& failure)
{
    link.TakeFailure();
    link.QueryMode();
    failure = link.TakeFailure();
    return failure.empty();
}

int CCommandLineTool::Ports(const Arguments& arguments)
{
    if (!arguments.empty())
        return Usage("ports takes no arguments");
    for (const SerialPortEntry& entry : ProbeSerialPorts()) {
        out << (entry.description.empty() ? entry.path : entry.description) << "\t";
        if (entry.IsFree())
            out << "free";
        else if (entry.permissionDenied && !entry.group.empty())
            out << "no permission (join the group " << entry.group << ", then log in again)";
        else if (entry.permissionDenied)
            out << "no permission (only its owner may open it)";
        else if (entry.probe == PortProbe::Refused)
            out << "in use by another program";
        else
            out << "unavailable (" << entry.reason << ")";
        // The name that outlives renumbering, for --port in scripts.
        if (!entry.stableName.empty())
            out << "\t" << entry.stableName;
        out << "\n";
    }
    return Success;
}

int CCommandLineTool::Info(const Arguments& arguments)
{
    if (!arguments.empty())
        return Usage("info takes no arguments");
    if (!ConnectDevice())
        return ConnectFailed();
    out << "port            " << portName << "\n"
        << "identification  " << link.Identification() << "\n";
    std::string failure;
    if (QueryLiveMode(failure) && link.mode == ControlMode::Live) {
        link.QueryVersion();
        link.QueryFrontPanel();
        failure = link.TakeFailure();
    }
    if (CInterruptGuard::Interrupted())
        return ReportInterrupt();
    if (!failure.empty())
        return Failure("unable to read the device's state: " + failure);
    out << "mode            " << ControlModeName(link.mode) << "\n";
    if (link.mode == ControlMode::FirmwareUpdate) {
        out << "                the 'OS Update' switch is on: the device waits for a firmware "
               "image and answers nothing else\n";
        return Success;
    }
    out << "version         " << link.versionText << "\n"
        << "front panel     " << FrontPanelName(link.frontPanelLocked) << "\n";
    return Success;
}

void CCommandLineTool::PrintChannels(const PanelSettings& settings)
{
    out << "CH  FILTER      FREQ        Q   GAIN\n";
    for (int index = 0; index < ChannelCount; ++index) {
        const StripSettings& strip = settings[index];
        out << std::setw(2) << std::setfill('0') << ChannelNumber(index) << std::setfill(' ')
            << "  " << std::left << std::setw(6) << FilterTypeToken(strip.filter) << std::right
            << std::setw(10) << FormatFixed(strip.freq, 3) << std::setw(9)
            << FormatFixed(strip.q, 3) << std::setw(7) << FormatFixed(strip.gain, 3) << "\n";
    }
}

// Reads the sixteen channels over settings and closes the port; the problem in plain words, or
// empty when every read was answered.
std::string CCommandLineTool::RetrieveSettings(PanelSettings& settings)
{
    if (!link.Connect(portName))
        return CInterruptGuard::Interrupted()
                   ? "interrupted"
                   : "unable to connect to Sonavire: " + link.ConnectFailure();
    std::string failure;
    if (QueryLiveMode(failure) && link.mode == ControlMode::Live)
        failure = ReadAll(link, settings, AfterReadFailure::Stop);
    else if (failure.empty() && link.mode == ControlMode::FirmwareUpdate)
        failure = "Sonavire is in OS Update mode";
    link.Disconnect();
    if (CInterruptGuard::Interrupted())
        return "interrupted";
    return failure.empty() ? failure : "unable to retrieve settings: " + failure;
}

int CCommandLineTool::Retrieve(const Arguments& arguments)
{
    std::string outputPath;
    if (arguments.size() == 2 && arguments[0] == "-o") {
        if (arguments[1].empty())
            return Usage("-o needs a file name");
        const auto path = SettingsSavePath(arguments[1]);
        if (!path)
            return Usage(arguments[1] + " is not a valid Sonavire file name (it needs .snv)");
        outputPath = *path;
    } else if (!arguments.empty()) {
        return Usage("usage: retrieve [-o FILE.snv]");
    }

    PanelSettings settings{};
    if (const std::string problem = RetrieveSettings(settings); !problem.empty())
        return Failure(problem);

    PrintChannels(settings);
    std::string error;
    if (!outputPath.empty() && !WriteSettingsFile(outputPath, settings, error))
        return Usage("cannot write " + outputPath + ": " + error);
    return Success;
}

int CCommandLineTool::Download(const Arguments& arguments)
{
    if (arguments.size() != 1)
        return Usage("usage: download FILE.snv");
    PanelSettings settings{};
    if (const std::string problem = LoadSettingsFile(arguments[0], settings); !problem.empty())
        return Usage(problem);

    if (!ConnectDevice())
        return ConnectFailed();
    std::string failure;
    if (!QueryLiveMode(failure))
        return Failure("unable to download: " + failure);
    if (link.mode == ControlMode::FirmwareUpdate)
        return Failure("unable to download: Sonavire is in OS Update mode (it waits for a "
                       "firmware image)");
    const std::vector<int> unacknowledged =
        DownloadChannels(link, settings, [] { return !CInterruptGuard::Interrupted(); });
    for (const int index : unacknowledged)
        err << "sonavire-cli: channel " << ChannelNumber(index) << " was not acknowledged\n";
    if (CInterruptGuard::Interrupted())
        return ReportInterrupt();
    const bool stored = link.StoreSettings();
    if (!stored)
        err << "sonavire-cli: the store was not acknowledged\n";
    link.Disconnect();
    return unacknowledged.empty() && stored ? Success : Failure("download failed");
}

int CCommandLineTool::Store(const Arguments& arguments)
{
    if (!arguments.empty())
        return Usage("store takes no arguments");
    if (!ConnectDevice())
        return ConnectFailed();
    const bool stored = link.StoreSettings();
    link.Disconnect();
    if (CInterruptGuard::Interrupted())
        return ReportInterrupt();
    return stored ? Success : Failure("the store was not acknowledged");
}

int CCommandLineTool::Set(const Arguments& arguments)
{
    if (arguments.size() != 3)
        return Usage("usage: set CH freq|q|gain|filter VALUE");
    double channel = 0;
    if (!ParseWholeNumber(arguments[0], channel) || channel != static_cast<int>(channel) ||
        channel < 1 || channel > ChannelCount)
        return Usage("CH must be a channel number from 1 to 16, not " + arguments[0]);
    const int index = static_cast<int>(channel) - 1;
    const std::string& what = arguments[1];
    const std::string& text = arguments[2];

    std::optional<FilterType> type;
    double value = 0;
    const ValueRange* range = FindValueRange(what);
    if (what == "filter") {
        type = ParseFilterTypeWord(text);
        if (!type)
            return Usage("a filter is one of BP, FL, HP, LP, NO, TO (or band, flat, high, low, "
                         "notch, tone), not " +
                         text);
    } else if (range) {
        if (!ParseWholeNumber(text, value) || !range->scale.Holds(value))
            return Usage(what + " must be a number from " + ShortNumber(range->scale.valueAtMin) +
                         " to " + ShortNumber(range->scale.valueAtMax) + ", not \"" + text + "\"");
    } else {
        return Usage("set takes freq, q, gain or filter, not " + what);
    }

    if (!ConnectDevice())
        return ConnectFailed();
    bool acknowledged = false;
    if (type)
        acknowledged = link.SetFilterType(index, *type);
    else if (what == "freq")
        acknowledged = link.SetFrequency(index, value);
    else if (what == "q")
        acknowledged = link.SetQ(index, value);
    else
        acknowledged = link.SetGain(index, value);
    link.Disconnect();
    if (CInterruptGuard::Interrupted())
        return ReportInterrupt();
    return acknowledged ? Success : Failure("the device did not acknowledge the change");
}

void CCommandLineTool::ShowProgress()
{
    if (link.progressText.empty())
        return;
    err << TrimRight(link.progressText) << "\n";
    err.flush();
    link.progressText.clear();
}

void CCommandLineTool::HandleMessages(int waitMs)
{
    const auto message = queue.Take(std::chrono::milliseconds(waitMs));
    if (message && message->message == CSerialWnd::DefaultMessage())
        link.OnSerialEvent(message->wParam);
}

int CCommandLineTool::Flash(const Arguments& arguments)
{
    if (arguments.size() != 1)
        return Usage("usage: flash FILE.hex");
    const std::string& path = arguments[0];
    if (Extension(path) != "HEX")
        return Usage(path + " is not a valid hex file (it needs .hex)");
    std::vector<unsigned char> check(FirmwareImageCapacity);
    if (fileio(FileOperation::Read, path.c_str(), FileFormat::IntelHex, check.data(),
               FirmwareImageCapacity) <= 0)
        return Usage(path + " holds no firmware image");

    if (!ConnectDevice())
        return ConnectFailed();
    link.QueryMode();
    if (CInterruptGuard::Interrupted())
        return ReportInterrupt();
    if (link.mode != ControlMode::FirmwareUpdate) {
        link.Disconnect();
        return Failure("Sonavire is not in firmware-update mode (set its 'OS Update' switch)");
    }

    link.StartFirmwareUpdate(path);
    std::string last;
    while (link.programming && !CInterruptGuard::Interrupted()) {
        HandleMessages(100);
        link.CheckFirmwareResponse(Clock::now());
        if (!link.progressText.empty())
            last = link.progressText;
        ShowProgress();
    }
    link.Disconnect();
    if (CInterruptGuard::Interrupted())
        return Failure("interrupted; the device is left waiting for its image");
    return last.ends_with(CompleteSuffix) ? Success : Failure("the firmware update failed");
}

int CCommandLineTool::Image(const Arguments& arguments)
{
    if (arguments.size() != 3 || arguments[1] != "-o" || arguments[2].empty())
        return Usage("usage: image FILE.hex -o OUT.bin");
    const std::string& input = arguments[0];
    const std::string& output = arguments[2];
    if (IsSameFile(input, output))
        return Usage("cannot write " + output + ": it is the input file");
    std::vector<unsigned char> image(FirmwareImageCapacity);
    const int length = fileio(FileOperation::Read, input.c_str(), FileFormat::IntelHex,
                              image.data(), FirmwareImageCapacity);
    if (length <= 0)
        return Usage(input + " holds no firmware image");
    std::string error;
    const std::string_view bytes(reinterpret_cast<const char*>(image.data()),
                                 static_cast<std::size_t>(length));
    if (!WriteFileAtomically(output, bytes, error))
        return Usage("cannot write " + output + ": " + error);
    out << "length " << length << "\n"
        << "pages " << length / PageSize + 1 << "\n";
    return Success;
}

void CCommandLineTool::PrintLiveChanges(const LiveChanges& changes, const PanelSettings& settings)
{
    if (changes.mode)
        out << "mode " << ControlModeName(link.mode) << std::endl;
    if (changes.version)
        out << "version " << link.versionText << std::endl;
    if (changes.frontPanel)
        out << "front panel " << FrontPanelName(link.frontPanelLocked) << std::endl;
    for (int index = 0; index < ChannelCount; ++index) {
        if (changes.gains[index])
            out << "gain " << ChannelNumber(index) << " " << FormatFixed(settings[index].gain, 3)
                << std::endl;
    }
}

int CCommandLineTool::Monitor(const Arguments& arguments)
{
    if (!arguments.empty())
        return Usage("monitor takes no arguments");
    if (!ConnectDevice())
        return ConnectFailed();
    PanelSettings settings{};
    link.QueryMode();
    out << "mode " << ControlModeName(link.mode) << std::endl;
    auto nextTick = Clock::now();
    while (!CInterruptGuard::Interrupted() && link.mode != ControlMode::Offline) {
        if (const auto now = Clock::now(); now < nextTick) {
            const auto wait =
                std::min(std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - now),
                         InterruptCheckInterval);
            HandleMessages(static_cast<int>(wait.count()));
            continue;
        }
        nextTick += PollInterval;
        PrintLiveChanges(PollLive(link, settings), settings);
    }
    const bool lost = !CInterruptGuard::Interrupted();
    link.Disconnect();
    return lost ? Failure("Lost Connection with Sonavire") : Success;
}

int CCommandLineTool::Serve(const Arguments& arguments)
{
    ServeArguments parsed;
    if (const std::string problem = ParseServeArguments(arguments, parsed); !problem.empty())
        return Usage(problem);
    if (parsed.osc.empty())
        return Usage("serve needs --osc PORT (0 lets the system choose one)");
    const auto oscPort = ParseUdpPort(parsed.osc);
    if (!oscPort)
        return Usage("--osc takes a UDP port from 0 to 65535, not " + parsed.osc);
    RemoteOptions options{parsed.bind, *oscPort, {}};
    if (!parsed.allow.empty())
        options.allowedClients = SplitAtCommas(parsed.allow);
    if (const std::string problem = CheckRemoteOptions(options); !problem.empty())
        return Usage(problem);
    if (!parsed.port.empty())
        portName = parsed.port;

    CRemoteService service(link, queue, err);
    std::string error;
    if (!service.Run(portName, options, interruptDescriptor, error))
        return Failure("serve: " + error);
    return Success;
}

int CCommandLineTool::Diff(const Arguments& arguments)
{
    if (arguments.size() != 2)
        return Usage("usage: diff A B (each a FILE.snv or the word device)");
    std::array<PanelSettings, 2> sides{};
    // The files first, so that a bad one costs no exchange with the device.
    for (std::size_t side = 0; side < sides.size(); ++side) {
        if (arguments[side] == DeviceWord)
            continue;
        if (const std::string problem = LoadSettingsFile(arguments[side], sides[side]);
            !problem.empty())
            return Usage(problem);
    }
    if (std::find(arguments.begin(), arguments.end(), DeviceWord) != arguments.end()) {
        PanelSettings device{};
        if (const std::string problem = RetrieveSettings(device); !problem.empty())
            return Usage(problem);
        // The device holds no master strip, so it takes the other side's: only what both
        // sides hold is compared.
        for (std::size_t side = 0; side < sides.size(); ++side) {
            if (arguments[side] != DeviceWord)
                continue;
            device[MasterStrip] = sides[1 - side][MasterStrip];
            sides[side] = device;
        }
    }
    const std::vector<StripDifference> differences = CompareSettings(sides[0], sides[1]);
    for (const StripDifference& difference : differences)
        out << StripName(difference.strip) << " " << difference.field << ": " << difference.a
            << " -> " << difference.b << "\n";
    return differences.empty() ? Success : SettingsDiffer;
}

int CCommandLineTool::Response(const Arguments& arguments)
{
    if (arguments.size() != 3 || arguments[1] != "-o" || arguments[2].empty())
        return Usage("usage: response FILE.snv -o OUT.csv|OUT.svg|OUT.png");
    const std::string& output = arguments[2];
    const std::string extension = output == StandardOutput ? "CSV" : Extension(output);
    if (extension != "CSV" && extension != "SVG" && extension != "PNG")
        return Usage("cannot write " + output + ": it needs .csv, .svg or .png");
    if (IsSameFile(arguments[0], output))
        return Usage("cannot write " + output + ": it is the input file");
    PanelSettings settings{};
    if (const std::string problem = LoadSettingsFile(arguments[0], settings); !problem.empty())
        return Usage(problem);
    if (output == StandardOutput) {
        out << ResponseCsv(settings);
        return Success;
    }
    std::string error;
    const bool written = extension == "CSV"
                             ? WriteFileAtomically(output, ResponseCsv(settings), error)
                             : SavePicture(settings, output, error);
    return written ? Success : Usage("cannot write " + output + ": " + error);
}
