#pragma once

#include <string>
#include <vector>

// The serial port the panel remembers between runs, kept with QSettings under this
// organisation, application and key, in the user's scope. The panel and the command-line tool
// both go through these functions, so they agree on the file, where it lives and how its value
// is escaped; the panel names itself with the same organisation and application.
inline constexpr const char* PreferenceOrganisation = "Roravir Ude";
inline constexpr const char* PreferenceApplication = "Sonavire";
inline constexpr const char* PortPreferenceKey = "ComPort";

inline constexpr const char* DefaultPortName = "COM1";

// A remembered name of this many bytes or more is ignored, as the Windows panel ignored it.
inline constexpr int PortPreferenceLimit = 160;

// The file the preference lives in, for messages.
std::string PortPreferencePath();

// The remembered port, or fallback when none is remembered or the name is too long.
std::string ReadRememberedPort(const std::string& fallback = DefaultPortName);

void WriteRememberedPort(const std::string& portName);

// Whether the panel reconnects by itself when the port it lost comes back, instead of asking.
inline constexpr const char* AutoReconnectKey = "ReconnectAutomatically";
bool ReadAutoReconnect();
void WriteAutoReconnect(bool automatic);

// Whether the panel serves OSC remote control, and on which UDP port. Off until asked for.
inline constexpr const char* RemoteControlKey = "RemoteControl";
inline constexpr const char* RemoteControlPortKey = "RemoteControlPort";
inline constexpr int DefaultRemoteControlPort = 9000;
bool ReadRemoteControlOn();
int ReadRemoteControlPort();
void WriteRemoteControl(bool on, int port);

// The settings files the panel loaded or saved last, newest first.
inline constexpr const char* RecentFilesKey = "RecentFiles";
inline constexpr std::size_t RecentFileLimit = 8;
std::vector<std::string> ReadRecentFiles();
void WriteRecentFiles(const std::vector<std::string>& paths);

// Whether the response window was open when the panel last closed, and where it stood (the
// window system's own geometry record, as text; empty when never placed).
inline constexpr const char* ResponseViewKey = "ResponseView";
inline constexpr const char* ResponseViewGeometryKey = "ResponseViewGeometry";
bool ReadResponseViewOpen();
std::string ReadResponseViewGeometry();
void WriteResponseView(bool open, const std::string& geometry);
