#pragma once

#include <string>

// Every path is optional: an empty one leaves that feature off.
struct EmulatorOptions
{
    std::string stateFile{};   // settings-file format; read at start, written by "ST"
    std::string firmwareOut{}; // receives the image of each completed firmware transfer
    std::string logFile{};     // every line received and sent, with time stamps
    std::string linkPath{};    // a symbolic link to the port, for a stable name
    bool paced = false;        // bytes take their 38400-baud wire time in both directions
    bool updateMode = false;   // starts with the 'OS Update' switch on
    bool frontPanelActive = false;
};
