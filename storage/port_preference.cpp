#include "storage/port_preference.h"

#include <QSettings>

namespace {

QSettings Preference()
{
    return QSettings(QStringLiteral("Roravir Ude"), QStringLiteral("Sonavire"));
}

const QString PortKey = QStringLiteral("ComPort");

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
