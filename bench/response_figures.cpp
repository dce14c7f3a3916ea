#include "bench/response_figures.h"

#include <QTest>

#include <chrono>
#include <vector>

#include "bench/bench_table.h"
#include "bench/panel_figures.h"
#include "panel/control_panel_dlg.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int Redraws = 200;

// Sixteen different curves, so that none hides behind another.
PanelSettings SixteenFilters()
{
    constexpr FilterType Types[] = {FilterType::Low, FilterType::High, FilterType::Band,
                                    FilterType::Notch};
    PanelSettings settings{};
    for (int channel = 0; channel < ChannelCount; ++channel) {
        settings[channel].filter = Types[channel % 4];
        settings[channel].freq = 60.0 * (channel + 1) * (channel + 1);
        settings[channel].q = 0.5 + 0.25 * (channel % 5);
    }
    return settings;
}

// One channel's frequency moves by a knob position each time, as in a drag; each sample is its
// curve computed anew and the window painted. With everyOther, the edited channel alternates,
// so that every curve and the grid are drawn anew each time.
double MedianRedrawMs(CResponseGraph& graph, bool everyOther)
{
    ResponseScene scene{SixteenFilters(), std::nullopt, 2};
    std::vector<double> times;
    for (int redraw = 0; redraw < Redraws; ++redraw) {
        if (everyOther)
            scene.highlighted = 2 + redraw % 2;
        scene.settings[scene.highlighted].freq += redraw % 2 == 0 ? 8.0 : -8.0;
        const auto start = Clock::now();
        graph.SetScene(scene);
        graph.repaint();
        times.push_back(Milliseconds(Clock::now() - start).count());
    }
    return Median(times);
}

} // namespace

void MeasureResponseFigures(CBenchTable& table)
{
    const char* const redrawFigure = "response window redraw, 16 curves, one moved";
    const char* const stepFigure = "knob drag step with the response window open";
    CControlPanelDlg panel;
    panel.show();
    panel.ResponseView().ToggleAction().setChecked(true);
    CResponseView& view = panel.ResponseView();
    if (!QTest::qWaitForWindowExposed(&panel) || !QTest::qWaitForWindowExposed(&view)) {
        table.Failed(redrawFigure, "windows not shown", "< 4 ms");
        return;
    }
    const double redraw = MedianRedrawMs(view.Graph(), false);
    table.Row(redrawFigure, Format("%.2f ms", redraw), "< 4 ms", redraw < 4.0);
    table.Reference("  the same with every curve drawn anew",
                    Format("%.2f ms", MedianRedrawMs(view.Graph(), true)));

    int unpainted = 0;
    const double step = MedianDragStepMs(panel, unpainted);
    if (unpainted > 0) {
        table.Failed(stepFigure, Format("%.0f steps not painted", unpainted), "< 0.5 ms");
        return;
    }
    table.Row(stepFigure, Format("%.3f ms", step), "< 0.5 ms", step < 0.5);
    panel.ResponseView().ToggleAction().setChecked(false);
}
