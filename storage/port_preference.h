#pragma once

#include <string>

// The serial port the panel remembers between runs. The panel keeps it with QSettings as
// organisation "Roravir Ude", application "Sonavire", key "ComPort"; the tools without Qt
// read the same file.
inline constexpr const char* DefaultPortName = "COM1";

// $XDG_CONFIG_HOME/Roravir Ude/Sonavire.conf, or ~/.config/... without XDG_CONFIG_HOME.
std::string PortPreferencePath();

// The remembered port, or DefaultPortName when none is remembered. A value of 160 bytes or
// more is ignored, as the Windows panel ignores it.
std::string ReadRememberedPort();
