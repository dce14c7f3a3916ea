// The benchmarks of `make bench`: one table, each figure measured in this run next to the
// target it is judged by. The panel draws on the offscreen platform, so no desktop is needed.
#include <QApplication>

#include "bench/bench_table.h"
#include "bench/link_figures.h"
#include "bench/panel_figures.h"
#include "bench/program_figures.h"
#include "resources/skin_resources.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    SkinResources::InstallSearchPath();

    CBenchTable table;
    MeasureLinkFigures(table);
    MeasurePanelFigures(table);
    MeasureProgramFigures(table);
    return table.Misses() == 0 ? 0 : 1;
}
