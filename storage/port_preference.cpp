#include "storage/port_preference.h"

#include <QSettings>

namespace {

QSettings Preference()
{
    return QSettings(QString::fromUtf8(PreferenceOrganisation),
                     QString::fromUtf8(PreferenceApplication));
}

const QString PortKey = QString::fromUtf8(PortPreferenceKey);

} // namespace

std::string PortPreferencePath()
{
    return Preference().fileName().toStdString();
}

std::string ReadRememberedPort(const std::string& fallback)
{
    const QByteArray remembered = Preference().value(PortKey).toByteArray();
    if (remembered.isEmpty() || remembered.size() >= PortPreferenceLimit)
        return fallback;
    return remembered.toStdString();
}

void WriteRememberedPort(const std::string& portName)
{
    Preference().setValue(PortKey, QString::fromStdString(portName));
}

bool ReadAutoReconnect()
{
    return Preference().value(QString::fromUtf8(AutoReconnectKey), false).toBool();
}

void WriteAutoReconnect(bool automatic)
{
    Preference().setValue(QString::fromUtf8(AutoReconnectKey), automatic);
}

bool ReadRemoteControlOn()
{
    return Preference().value(QString::fromUtf8(RemoteControlKey), false).toBool();
}

// A remembered port that is not one is taken as never remembered.
int ReadRemoteControlPort()
{
    bool isNumber = false;
    const int port = Preference()
                         .value(QString::fromUtf8(RemoteControlPortKey), DefaultRemoteControlPort)
                         .toInt(&isNumber);
    return isNumber && port > 0 && port <= 65535 ? port : DefaultRemoteControlPort;
}

void WriteRemoteControl(bool on, int port)
{
    QSettings preference = Preference();
    preference.setValue(QString::fromUtf8(RemoteControlKey), on);
    preference.setValue(QString::fromUtf8(RemoteControlPortKey), port);
}

std::vector<std::string> ReadRecentFiles()
{
    std::vector<std::string> paths;
    for (const QString& path : Preference().value(QString::fromUtf8(RecentFilesKey)).toStringList())
        if (paths.size() < RecentFileLimit)
            paths.push_back(path.toStdString());
    return paths;
}

void WriteRecentFiles(const std::vector<std::string>& paths)
{
    QStringList list;
    for (const std::string& path : paths)
        list << QString::fromStdString(path);
    Preference().setValue(QString::fromUtf8(RecentFilesKey), list);
}

bool ReadResponseViewOpen()
{
    return Preference().value(QString::fromUtf8(ResponseViewKey), false).toBool();
}

std::string ReadResponseViewGeometry()
{
    return Preference().value(QString::fromUtf8(ResponseViewGeometryKey)).toString().toStdString();
}

void WriteResponseView(bool open, const std::string& geometry)
{
    QSettings preference = Preference();
    preference.setValue(QString::fromUtf8(ResponseViewKey), open);
    preference.setValue(QString::fromUtf8(ResponseViewGeometryKey),
                        QString::fromStdString(geometry));
}
