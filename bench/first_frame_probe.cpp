#include "bench/first_frame_probe.h"

#include <QEvent>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/resource.h>

#include "panel/control_layout.h"
#include "panel/control_panel_dlg.h"

namespace {

// The same clock as the launching benchmark's: CLOCK_MONOTONIC.
long long MonotonicNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:" && status >> value)
            return value;
        status.ignore(256, '\n');
    }
    return -1;
}

} // namespace

CFirstFrameProbe::CFirstFrameProbe(int idleSeconds, bool connect)
    : idleSeconds(idleSeconds), connect(connect)
{}

bool CFirstFrameProbe::eventFilter(QObject* watched, QEvent* event)
{
    if (!panel && event->type() == QEvent::Paint) {
        if (auto* window = qobject_cast<CControlPanelDlg*>(watched)) {
            panel = window;
            // Runs once this paint and the flush that follows it are done.
            QTimer::singleShot(0, this, &CFirstFrameProbe::OnFirstFrame);
        }
    }
    return false;
}

void CFirstFrameProbe::OnFirstFrame()
{
    std::printf("frame_ns %lld\nrss_kb %ld\n", MonotonicNanoseconds(), ResidentKilobytes());
    std::fflush(stdout);
    if (connect)
        Connect();
    StartIdleSpell();
}

void CFirstFrameProbe::Connect()
{
    QWidget* modeButton = panel->Control(ControlRole::ModeButton);
    QTest::mouseClick(modeButton, Qt::LeftButton, {}, modeButton->rect().center());
}

void CFirstFrameProbe::StartIdleSpell()
{
    cpuAtStart = CpuSeconds();
    wallAtStart = WallSeconds();
    QTimer::singleShot(std::chrono::seconds(idleSeconds), this, &CFirstFrameProbe::EndIdleSpell);
}

void CFirstFrameProbe::EndIdleSpell()
{
    const bool live = panel && panel->Link().mode == ControlMode::Live;
    std::printf("cpu_s %.6f\nwall_s %.6f\nlive %d\n", CpuSeconds() - cpuAtStart,
                WallSeconds() - wallAtStart, live ? 1 : 0);
    std::fflush(stdout);
    if (panel)
        panel->reject();
}
