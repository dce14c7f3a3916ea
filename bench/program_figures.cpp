#include "bench/program_figures.h"

#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <map>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench/bench_table.h"
#include "emulator/emulated_device.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int IdleSeconds = 30;
// Past the idle spell: a probe that has not reported by then is stuck.
constexpr auto ProbeTimeLimit = std::chrono::seconds(IdleSeconds + 30);

using Report = std::map<std::string, std::string>;

// The probe's "key value" lines.
Report ParseReport(const std::string& text)
{
    Report report;
    std::istringstream lines(text);
    std::string key, value;
    while (lines >> key >> value)
        report[key] = value;
    return report;
}

std::vector<char*> PointersTo(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// This process's environment, with the probe drawing offscreen and keeping the port it
// remembers when it closes in a settings folder of its own, away from the operator's.
std::vector<std::string> ProbeEnvironment(const std::string& settingsFolder)
{
    std::vector<std::string> environment{"QT_QPA_PLATFORM=offscreen",
                                         "XDG_CONFIG_HOME=" + settingsFolder};
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view variable(*entry);
        if (!variable.starts_with("QT_QPA_PLATFORM=") && !variable.starts_with("XDG_CONFIG_HOME="))
            environment.emplace_back(variable);
    }
    return environment;
}
// Reads everything the probe prints until it exits or overruns its time.
std::optional<std::string> CollectOutput(pid_t child, int input)
{
    std::string text;
    const auto deadline = Clock::now() + ProbeTimeLimit;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd entry{input, POLLIN, 0};
        if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) == 0) {
            kill(child, SIGKILL);
            return std::nullopt;
        }
        char buffer[512];
        const ssize_t got = read(input, buffer, sizeof buffer);
        if (got <= 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

// Runs the probe; the report gains "launch_ns", the clock just before the program started.
// Variables of extraEnvironment come first, so they win over this process's own.
std::optional<Report> RunProbe(bool live, const std::vector<std::string>& panelArguments,
                               const std::vector<std::string>& extraEnvironment = {},
                               int idleSeconds = IdleSeconds)
{
    QTemporaryDir settingsFolder;
    std::vector<std::string> arguments{SONAVIRE_PANEL_PROBE_PATH, std::to_string(idleSeconds),
                                       live ? "live" : "offline"};
    arguments.insert(arguments.end(), panelArguments.begin(), panelArguments.end());
    std::vector<std::string> environment = ProbeEnvironment(settingsFolder.path().toStdString());
    environment.insert(environment.begin(), extraEnvironment.begin(), extraEnvironment.end());
    // Everything the child needs is made before the fork: between fork and exec a copy of a
    // threaded process may only make system calls.
    const std::vector<char*> argv = PointersTo(arguments);
    const std::vector<char*> envp = PointersTo(environment);
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return std::nullopt;
    const auto launch = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        dup2(pipeEnds[1], STDOUT_FILENO);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    const std::optional<std::string> output = CollectOutput(child, pipeEnds[0]);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!output || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    Report report = ParseReport(*output);
    report["launch_ns"] = std::to_string(
        std::chrono::duration_cast<std::chrono::nanoseconds>(launch.time_since_epoch()).count());
    return report;
}

bool HasKeys(const Report& report, std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        if (!report.contains(key))
            return false;
    }
    return true;
}

double CpuPercent(const Report& report)
{
    return 100.0 * std::stod(report.at("cpu_s")) / std::stod(report.at("wall_s"));
}

void OfflineFigures(CBenchTable& table)
{
    const char* startup = "start-up to first painted frame";
    const char* memory = "resident memory after start-up";
    const std::string idle = "CPU, " + std::to_string(IdleSeconds) + " s idle offline";
    const std::optional<Report> report = RunProbe(false, {});
    if (!report || !HasKeys(*report, {"frame_ns", "rss_kb", "cpu_s", "wall_s"})) {
        for (const std::string& figure : {std::string(startup), std::string(memory), idle})
            table.Failed(figure, "the panel did not report", "");
        return;
    }
    const double startupMs =
        (std::stod(report->at("frame_ns")) - std::stod(report->at("launch_ns"))) / 1e6;
    table.Row(startup, Format("%.0f ms", startupMs), "< 300 ms", startupMs < 300);
    const double megabytes = std::stod(report->at("rss_kb")) / 1024;
    table.Row(memory, Format("%.1f MB", megabytes), "< 60 MB", megabytes < 60);
    const double percent = CpuPercent(*report);
    table.Row(idle, Format("%.3f %% of a core", percent), "< 0.3 %", percent < 0.3);
}

// The same start-up with Qt scaling the window by two, as on a screen of twice the usual
// density, where the panel loads and draws the fine picture set; no idle spell.
void DenseScreenFigures(CBenchTable& table)
{
    const char* startup = "start-up to first painted frame, scale 2";
    const char* memory = "resident memory after start-up, scale 2";
    const std::optional<Report> report = RunProbe(false, {}, {"QT_SCALE_FACTOR=2"}, 0);
    if (!report || !HasKeys(*report, {"frame_ns", "rss_kb"})) {
        table.Failed(startup, "the panel did not report", "< 400 ms");
        table.Failed(memory, "the panel did not report", "< 80 MB");
        return;
    }
    const double startupMs =
        (std::stod(report->at("frame_ns")) - std::stod(report->at("launch_ns"))) / 1e6;
    table.Row(startup, Format("%.0f ms", startupMs), "< 400 ms", startupMs < 400);
    const double megabytes = std::stod(report->at("rss_kb")) / 1024;
    table.Row(memory, Format("%.1f MB", megabytes), "< 80 MB", megabytes < 80);
}

void LiveFigure(CBenchTable& table)
{
    const std::string figure = "CPU, " + std::to_string(IdleSeconds) + " s live with the poll";
    EmulatorOptions options;
    options.paced = true;
    CEmulatedDevice device(options);
    std::string error;
    if (!device.Start(error)) {
        table.Failed(figure, "emulator: " + error, "< 1 %");
        return;
    }
    const std::optional<Report> report = RunProbe(true, {"--port", device.PortPath()});
    const std::size_t polls = device.ReceivedLines().size();
    device.Stop();
    if (!report || !HasKeys(*report, {"cpu_s", "wall_s", "live"})) {
        table.Failed(figure, "the panel did not report", "< 1 %");
        return;
    }
    if (report->at("live") != "1") {
        table.Failed(figure, "the panel did not stay live", "< 1 %");
        return;
    }
    const double percent = CpuPercent(*report);
    table.Row(figure, Format("%.3f %% of a core", percent) + Format(", %.0f lines", polls), "< 1 %",
              percent < 1.0);
}

} // namespace

void MeasureProgramFigures(CBenchTable& table)
{
    OfflineFigures(table);
    DenseScreenFigures(table);
    LiveFigure(table);
}
