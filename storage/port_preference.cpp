#include "storage/port_preference.h"

#include <cstdlib>

#include "storage/private_profile.h"

namespace {

constexpr std::size_t MaxPortNameLength = 159;

std::string ConfigFolder()
{
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config";
}

} // namespace

std::string PortPreferencePath()
{
    return ConfigFolder() + "/Roravir Ude/Sonavire.conf";
}

std::string ReadRememberedPort()
{
    const auto profile =
        CPrivateProfile::FromFile(PortPreferencePath(), nullptr, MaxPortNameLength + 1);
    if (!profile)
        return DefaultPortName;
    const std::string port = profile->GetString("General", "ComPort", "");
    if (port.empty() || port.size() > MaxPortNameLength)
        return DefaultPortName;
    return port;
}
