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

PortChoices ReadPortChoices(const QStringList& extraPorts, const std::string& sysfsRoot, const std::string& devRoot,
                            const QString& demoPort)
{
    PortChoices choices;
    const auto add = [&choices](const std::string& name, const QString& toolTip) {
        choices.names.append(QString::fromStdString(name));
        choices.toolTips.append(toolTip);
        choices.paths.append(QString::fromStdString(PortDevicePath(name)));
    };
    for (const QString& path : extraPorts) {
        add(PortNameOf(path.toStdString()), QString());
        if (!demoPort.isEmpty() && path == demoPort) {
            choices.names.back() = QStringLiteral("Демо");
            choices.toolTips.back() =
                QStringLiteral("Встроенный эмулятор адаптера с передатчиком: ") + choices.paths.back();
        }
    }
    for (const PortIdentity& port : DiscoverPorts(sysfsRoot, devRoot))
        add(port.name, QString::fromStdString(PortIdentityText(port)));
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
