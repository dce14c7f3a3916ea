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
    // The latency timer of a USB serial adapter between the device and the panel; 0 for a
    // line without one. Holds what the device sends as such an adapter does (transmitter.h).
    int latencyTimerMs = 0;
    bool updateMode = false; // starts with the 'OS Update' switch on
    bool frontPanelActive = false;
};
