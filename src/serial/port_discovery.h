#pragma once
// The serial ports of the computer, as names the port list shows, and the device path of
// such a name.

#include <string>
#include <vector>

namespace torv {

// Empties target, then adds every serial port once: each entry of <sysfsRoot>/class/tty
// that is backed by a device, except legacy ttyS ports whose UART is absent (their
// "type" attribute is 0). Nothing is opened. Order: ttyS, ttyUSB, ttyACM, then other
// kinds by name; within a kind by number (ttyUSB2 before ttyUSB10).
void ListPorts(std::vector<std::string>& target, const std::string& sysfsRoot = "/sys");

// "/dev/" + portName for a name relative to /dev ("ttyUSB0", "pts/3"); an absolute
// name ("/tmp/ttyV0") is a path already and returned unchanged.
std::string PortDevicePath(const std::string& portName);

// The port name that PortDevicePath turns back into devicePath: relative to /dev for a
// device under /dev ("/dev/pts/3" gives "pts/3"), the path itself otherwise.
std::string PortNameOf(const std::string& devicePath);

}  // namespace torv
