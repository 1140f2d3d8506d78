#pragma once
// The serial ports of the computer, as names the port list shows, and the device path of
// such a name.

#include <string>
#include <utility>
#include <vector>

namespace torv {

// What the system tells of a port without opening it. Empty fields are unknown.
struct PortIdentity {
    std::string name;    // relative to /dev: "ttyUSB0"
    std::string driver;  // "ftdi_sio", "cdc_acm", "serial8250"
    // USB adapters: the device's ids (four hex digits) and strings.
    std::string vendorId;
    std::string productId;
    std::string manufacturer;
    std::string product;
    std::string serial;
    std::string byIdLink;  // its stable name under /dev/serial/by-id
};

// Every serial port once: each entry of <sysfsRoot>/class/tty that is backed by a device,
// except legacy ttyS ports whose UART is absent (their "type" attribute is 0), with its
// identity from sysfs attributes and the links under <devRoot>/serial/by-id. Nothing is
// opened. Order: ttyUSB, ttyACM, other kinds by name, then the built-in ttyS; within a
// kind by number (ttyUSB2 before ttyUSB10).
std::vector<PortIdentity> DiscoverPorts(const std::string& sysfsRoot = "/sys", const std::string& devRoot = "/dev");

// Empties target, then adds the names of DiscoverPorts in its order.
void ListPorts(std::vector<std::string>& target, const std::string& sysfsRoot = "/sys");

// The known identity fields as (key, value) pairs: driver, vendor_id, product_id,
// manufacturer, product, serial, by_id.
std::vector<std::pair<std::string, std::string>> PortIdentityFields(const PortIdentity& port);

// One line for a person: "ftdi_sio, USB 0403:6001, FTDI FT232R USB UART, serial A10K,
// /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0".
std::string PortIdentityText(const PortIdentity& port);

// The link under folder that leads to the same device as devicePath, as folder + "/" +
// its name; "" when none does (or devicePath does not exist).
std::string LinkLeadingTo(const std::string& folder, const std::string& devicePath);

// A production station's name for the port at devicePath: its link under
// <devRoot>/serial/by-path, which names the USB socket and so survives a replug, shown
// under /dev; the port name otherwise.
std::string StationName(const std::string& devicePath, const std::string& devRoot = "/dev");

// The device paths a shell pattern ("ttyUSB*", "/dev/ttyACM[0-3]") matches now, in
// ListPorts' kind and number order; a relative pattern is taken under devRoot.
std::vector<std::string> PortsMatching(const std::string& pattern, const std::string& devRoot = "/dev");

// "/dev/" + portName for a name relative to /dev ("ttyUSB0", "pts/3"); an absolute
// name ("/tmp/ttyV0") and a network port ("rfc2217://HOST:PORT") are paths already and
// returned unchanged.
std::string PortDevicePath(const std::string& portName);

// The port name that PortDevicePath turns back into devicePath: relative to /dev for a
// device under /dev ("/dev/pts/3" gives "pts/3"), the path itself otherwise; doubled
// slashes count as one ("//dev//ttyUSB0" gives "ttyUSB0"); a network port keeps its name.
std::string PortNameOf(const std::string& devicePath);

}  // namespace torv
