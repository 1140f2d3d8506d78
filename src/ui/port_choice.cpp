#include "ui/port_choice.h"

#include "serial/port_discovery.h"

#include <QSettings>

namespace torv {

namespace {

constexpr auto kPortKey = "port/lastSuccessful";

QSettings UserSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "torv-programmer", "torv-programmer");
}

}  // namespace

PortChoices ReadPortChoices(const QStringList& extraPorts, const std::string& sysfsRoot, const std::string& devRoot)
{
    PortChoices choices;
    for (const QString& path : extraPorts) {
        choices.names.append(QString::fromStdString(PortNameOf(path.toStdString())));
        choices.toolTips.append(QString());
    }
    for (const PortIdentity& port : DiscoverPorts(sysfsRoot, devRoot)) {
        choices.names.append(QString::fromStdString(port.name));
        choices.toolTips.append(QString::fromStdString(PortIdentityText(port)));
    }
    return choices;
}

QString RememberedPort()
{
    return UserSettings().value(kPortKey).toString();
}

void RememberPort(const QString& name)
{
    UserSettings().setValue(kPortKey, name);
}

}  // namespace torv
