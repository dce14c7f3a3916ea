#include <cstring>
#include <gtest/gtest.h>
#include <iostream>

#include "display_server.h"

// Runs the tests on a real window system of their own: "x11" starts Xvfb and Qt's xcb
// platform, "wayland" headless weston and Qt's Wayland platform.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2 || (std::strcmp(argv[1], "x11") != 0 && std::strcmp(argv[1], "wayland") != 0)) {
        std::cerr << "usage: " << argv[0] << " [gtest options] x11|wayland\n";
        return 2;
    }
    DisplayServer server(std::strcmp(argv[1], "x11") == 0 ? DisplayServer::X11
                                                          : DisplayServer::Wayland);
    if (!server.Error().isEmpty()) {
        std::cerr << server.Error().toStdString() << '\n';
        return 1;
    }
    return RunTestsOnDisplay(argc, argv);
}
