// The benchmarks of `make bench`: one table, each figure measured in this run next to the
// target it is judged by. The panel draws on the offscreen platform, so no desktop is needed.
//
//   sonavire-bench [link] [panel] [program] [remote] [response]     (all of them when none is
//   named)
#include <QApplication>
#include <QStringList>

#include "bench/bench_table.h"
#include "bench/link_figures.h"
#include "bench/panel_figures.h"
#include "bench/program_figures.h"
#include "bench/remote_figures.h"
#include "bench/response_figures.h"
#include "resources/skin_resources.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    SkinResources::InstallSearchPath();

    const QStringList parts = application.arguments().mid(1);
    const auto wanted = [&parts](const char* part) {
        return parts.isEmpty() || parts.contains(QLatin1String(part));
    };
    CBenchTable table;
    if (wanted("link"))
        MeasureLinkFigures(table);
    if (wanted("panel"))
        MeasurePanelFigures(table);
    if (wanted("program"))
        MeasureProgramFigures(table);
    if (wanted("remote"))
        MeasureRemoteFigures(table);
    if (wanted("response"))
        MeasureResponseFigures(table);
    table.PrintSummary();
    return table.Failures() == 0 ? 0 : 1;
}
