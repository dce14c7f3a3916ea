// The panel program with a probe watching it, for the benchmark's start-up, memory and idle
// figures:
//
//   panel_probe IDLE_SECONDS offline|live [panel arguments...]
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/first_frame_probe.h"
#include "panel/panel_app.h"

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const int idleSeconds = std::atoi(argv[1]);
    const bool connect = std::string(argv[2]) == "live";
    std::vector<char*> panelArguments{argv[0]};
    panelArguments.insert(panelArguments.end(), argv + 3, argv + argc);
    int panelArgc = static_cast<int>(panelArguments.size());

    CPanelApp application(panelArgc, panelArguments.data());
    CFirstFrameProbe probe(idleSeconds, connect);
    application.installEventFilter(&probe);
    return application.InitInstance();
}
