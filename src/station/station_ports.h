#pragma once
// The ports a station can be made of: the system's serial ports with their adapters'
// identity, and those named on the command line or emulated for a demonstration.

#include <QString>
#include <QStringList>

#include <vector>

namespace torv::station {

struct StationPort {
    QString devicePath;
    QString name;      // the station's name on its tile and in the journal
    QString identity;  // the adapter's identity as the system tells it; may be empty
    bool demo = false;
};

// The emulated ports first, then those given (device paths or names relative to /dev),
// then the system's; each device once.
std::vector<StationPort> AvailablePorts(const std::vector<StationPort>& demo, const QStringList& given);

}  // namespace torv::station
