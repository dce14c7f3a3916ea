#include "bench/panel_figures.h"

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "bench/bench_table.h"
#include "bench/paint_counter.h"
#include "panel/control_layout.h"
#include "panel/control_panel_dlg.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int WarmUpRepaints = 10;
constexpr int Repaints = 200;
constexpr int DragSteps = 400;

} // namespace

double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

namespace {

// A repaint that left out the controls would time only the background.
int ControlsLeftUnpainted(CControlPanelDlg& panel)
{
    std::vector<std::unique_ptr<CPaintCounter>> counters;
    for (const ControlEntry& entry : MainWindowLayout()) {
        QWidget* control = panel.Control(entry.role, entry.strip, entry.filterType);
        if (control && control->isVisible())
            counters.push_back(std::make_unique<CPaintCounter>(control));
    }
    panel.repaint();
    return static_cast<int>(
        std::count_if(counters.begin(), counters.end(),
                      [](const auto& counter) { return counter->Count() == 0; }));
}

double MedianRepaintMs(CControlPanelDlg& panel)
{
    for (int i = 0; i < WarmUpRepaints; ++i)
        panel.repaint();
    std::vector<double> times;
    for (int i = 0; i < Repaints; ++i) {
        const auto start = Clock::now();
        panel.repaint();
        times.push_back(Milliseconds(Clock::now() - start).count());
    }
    return Median(times);
}

} // namespace

// Alternate steps up and down by one pixel from the knob's cursor home, so every move
// changes the position and the value stays mid-range. A step ends when the events it
// posted (the move notification, the read-out's repaint) have been handled.
double MedianDragStepMs(CControlPanelDlg& panel, int& unpainted)
{
    QWidget* knob = panel.Control(ControlRole::FrequencyKnob, 0);
    CPaintCounter paints(knob);
    const QPoint centre = knob->rect().center();
    QCursor::setPos(knob->mapToGlobal(centre));
    QTest::mousePress(knob, Qt::LeftButton, {}, centre);
    QApplication::processEvents();
    std::vector<double> times;
    QPoint home = centre;
    for (int step = 0; step < DragSteps; ++step) {
        const int before = paints.Count();
        const QPoint to = home + QPoint(0, step % 2 == 0 ? -1 : 1);
        const auto start = Clock::now();
        QCursor::setPos(knob->mapToGlobal(to));
        QTest::mouseMove(knob, to);
        QApplication::processEvents();
        times.push_back(Milliseconds(Clock::now() - start).count());
        unpainted += paints.Count() == before ? 1 : 0;
        // The knob reads the cursor, and may have put it back on its home.
        home = knob->mapFromGlobal(QCursor::pos());
    }
    QTest::mouseRelease(knob, Qt::LeftButton, {}, home);
    return Median(times);
}

void MeasurePanelFigures(CBenchTable& table)
{
    CControlPanelDlg panel;
    panel.show();
    if (!QTest::qWaitForWindowExposed(&panel)) {
        table.Failed("full repaint of the panel (offscreen)", "window not shown", "< 4 ms");
        return;
    }
    if (const int unpainted = ControlsLeftUnpainted(panel)) {
        table.Failed("full repaint of the panel (offscreen)",
                     Format("%.0f controls not painted", unpainted), "< 4 ms");
        return;
    }
    const double repaint = MedianRepaintMs(panel);
    table.Row("full repaint of the panel (offscreen)", Format("%.2f ms", repaint), "< 4 ms",
              repaint < 4.0);

    int unpainted = 0;
    const double step = MedianDragStepMs(panel, unpainted);
    if (unpainted > 0) {
        table.Failed("knob drag step, mouse to painted knob",
                     Format("%.0f steps not painted", unpainted), "< 0.5 ms");
        return;
    }
    table.Row("knob drag step, mouse to painted knob", Format("%.3f ms", step), "< 0.5 ms",
              step < 0.5);
}
