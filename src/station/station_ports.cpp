#include "station/station_ports.h"

#include <algorithm>

#include "serial/port_discovery.h"

namespace torv::station {

std::vector<StationPort> AvailablePorts(const std::vector<StationPort>& demo, const QStringList& given)
{
    std::vector<StationPort> ports = demo;
    const auto add = [&](const std::string& devicePath, const std::string& identity) {
        const QString path = QString::fromStdString(devicePath);
        if (std::any_of(ports.begin(), ports.end(), [&](const StationPort& port) { return port.devicePath == path; }))
            return;
        ports.push_back(
            {path, QString::fromStdString(StationName(devicePath)), QString::fromStdString(identity), false});
    };
    for (const QString& name : given)
        add(PortDevicePath(name.toStdString()), {});
    for (const PortIdentity& port : DiscoverPorts())
        add(PortDevicePath(port.name), PortIdentityText(port));
    return ports;
}

}  // namespace torv::station
