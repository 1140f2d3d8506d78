#pragma once
// What the window's port list offers, and the port remembered between runs.

#include <QString>
#include <QStringList>

#include <string>

namespace torv {

struct PortChoices {
    QStringList names;
    QStringList toolTips;  // each port's identity, as the system tells it
    QStringList paths;     // the device each item opens
};

// The extra ports (--port, the demo line) by name first, then the system's ports; the
// extra port that is demoPort shows «Демо» and names its pseudo-terminal in its tooltip.
// Reads sysfs and the links under devRoot; opens nothing.
PortChoices ReadPortChoices(const QStringList& extraPorts, const std::string& sysfsRoot, const std::string& devRoot,
                            const QString& demoPort = {});

// The port of the last successful exchange, remembered for this user; empty when none.
QString RememberedPort();
void RememberPort(const QString& name);

}  // namespace torv
