#include "serial/port_discovery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

namespace torv {
namespace {

namespace fs = std::filesystem;

// A fabricated /sys with entries of /sys/class/tty.
class FakeSysfs {
public:
    FakeSysfs()
        : root_(fs::temp_directory_path() / ("sysfs-" + std::to_string(::getpid()) + "-" + std::to_string(next_++)))
    {
        fs::create_directories(root_ / "class" / "tty");
    }
    ~FakeSysfs() { fs::remove_all(root_); }

    // A port backed by a device; uartType is written to "type" when given.
    void AddPort(const std::string& name, int uartType = -1)
    {
        const fs::path entry = root_ / "class" / "tty" / name;
        fs::create_directories(entry / "device");
        if (uartType >= 0) {
            std::ofstream(entry / "type") << uartType << "\n";
        }
    }
    void AddVirtual(const std::string& name) { fs::create_directories(root_ / "class" / "tty" / name); }

    // A port as the kernel shows it: class/tty/<name> links to the tty under its device,
    // whose "driver" links to the driver; a USB device above it carries the USB attributes.
    void AddDevicePort(const std::string& name, const fs::path& devicePath, const std::string& driver)
    {
        const fs::path device = root_ / "devices" / devicePath;
        fs::create_directories(device / "tty" / name);
        fs::create_directories(root_ / "bus" / "drivers" / driver);
        fs::create_symlink(root_ / "bus" / "drivers" / driver, device / "driver");
        fs::create_symlink(device, device / "tty" / name / "device");
        fs::create_symlink(device / "tty" / name, root_ / "class" / "tty" / name);
    }
    void AddUsbDevice(const fs::path& path, const std::map<std::string, std::string>& attributes)
    {
        const fs::path device = root_ / "devices" / path;
        fs::create_directories(device);
        for (const auto& [key, value] : attributes)
            std::ofstream(device / key) << value << "\n";
    }
    // /dev/serial/by-id/<link> pointing at ../../<name>, as udev makes it.
    void AddByIdLink(const std::string& link, const std::string& name)
    {
        fs::create_directories(DevRoot() / "serial" / "by-id");
        fs::create_symlink(fs::path("../..") / name, DevRoot() / "serial" / "by-id" / link);
    }
    fs::path DevRoot() const { return root_ / "dev"; }
    std::string Root() const { return root_.string(); }

private:
    static inline int next_ = 0;
    fs::path root_;
};

TEST(ListPorts, ListsDevicesInKindAndNumberOrder)
{
    FakeSysfs sysfs;
    sysfs.AddPort("ttyUSB10");
    sysfs.AddPort("ttyACM0");
    sysfs.AddPort("ttyUSB2");
    sysfs.AddPort("ttyS1", 4);
    sysfs.AddPort("ttyS0", 4);
    sysfs.AddPort("ttyAMA0");
    sysfs.AddVirtual("tty0");
    sysfs.AddVirtual("ptmx");
    sysfs.AddVirtual("console");

    std::vector<std::string> ports;
    ListPorts(ports, sysfs.Root());
    EXPECT_EQ(ports, (std::vector<std::string>{"ttyUSB2", "ttyUSB10", "ttyACM0", "ttyAMA0", "ttyS0", "ttyS1"}));
}

TEST(ListPorts, LeavesOutLegacyPortsWithoutUart)
{
    FakeSysfs sysfs;
    sysfs.AddPort("ttyS0", 4);
    sysfs.AddPort("ttyS2", 0);
    sysfs.AddPort("ttyS3", 0);
    sysfs.AddPort("ttyUSB0");

    std::vector<std::string> ports;
    ListPorts(ports, sysfs.Root());
    EXPECT_EQ(ports, (std::vector<std::string>{"ttyUSB0", "ttyS0"}));
}

TEST(DiscoverPorts, ReadsEachPortsIdentityWithoutOpeningIt)
{
    FakeSysfs sysfs;
    sysfs.AddUsbDevice("pci0000:00/usb1/1-1", {{"idVendor", "0403"},
                                               {"idProduct", "6001"},
                                               {"manufacturer", "FTDI"},
                                               {"product", "FT232R USB UART"},
                                               {"serial", "A10K7Q2Z"}});
    sysfs.AddDevicePort("ttyUSB0", "pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0", "ftdi_sio");
    sysfs.AddUsbDevice("pci0000:00/usb1/1-2", {{"idVendor", "2341"}, {"idProduct", "0043"}});
    sysfs.AddDevicePort("ttyACM0", "pci0000:00/usb1/1-2/1-2:1.0", "cdc_acm");
    sysfs.AddDevicePort("ttyS0", "pnp0/00:01/00:01:0/00:01:0.0", "serial-base/drivers/port");
    sysfs.AddUsbDevice("pnp0/00:01/00:01:0", {});
    fs::create_symlink(fs::path(sysfs.Root()) / "bus/drivers/serial-base/drivers/ctrl",
                       fs::path(sysfs.Root()) / "devices/pnp0/00:01/00:01:0/driver");
    fs::create_symlink(fs::path(sysfs.Root()) / "bus/drivers/serial",
                       fs::path(sysfs.Root()) / "devices/pnp0/00:01/driver");  // the UART's own driver, above
    std::ofstream(fs::path(sysfs.Root()) / "class" / "tty" / "ttyS0" / "type") << "4\n";
    sysfs.AddDevicePort("ttyS1", "platform/serial8250", "serial8250");
    std::ofstream(fs::path(sysfs.Root()) / "class" / "tty" / "ttyS1" / "type") << "0\n";  // no UART there
    sysfs.AddByIdLink("usb-FTDI_FT232R_USB_UART_A10K7Q2Z-if00-port0", "ttyUSB0");

    const std::vector<PortIdentity> ports = DiscoverPorts(sysfs.Root(), sysfs.DevRoot().string());
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].name, "ttyUSB0");
    EXPECT_EQ(PortIdentityText(ports[0]),
              "ftdi_sio, USB 0403:6001, FTDI FT232R USB UART, serial A10K7Q2Z, "
              "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K7Q2Z-if00-port0");
    EXPECT_EQ(PortIdentityFields(ports[0]).size(), 7u);
    EXPECT_EQ(ports[1].name, "ttyACM0");
    EXPECT_EQ(PortIdentityText(ports[1]), "cdc_acm, USB 2341:0043");
    EXPECT_EQ(ports[2].name, "ttyS0");
    EXPECT_EQ(PortIdentityText(ports[2]), "serial");
    EXPECT_EQ(PortIdentityFields(ports[2]), (std::vector<std::pair<std::string, std::string>>{{"driver", "serial"}}));
}

TEST(ListPorts, EmptiesTheTargetWhenThereIsNothing)
{
    FakeSysfs sysfs;
    sysfs.AddVirtual("tty1");
    std::vector<std::string> ports{"stale"};
    ListPorts(ports, sysfs.Root());
    EXPECT_TRUE(ports.empty());

    ports = {"stale"};
    ListPorts(ports, sysfs.Root() + "/missing");
    EXPECT_TRUE(ports.empty());
}

TEST(ListPorts, HugeNumbersDoNotOverflow)
{
    FakeSysfs sysfs;
    sysfs.AddPort("ttyUSB99999999999999999999");
    sysfs.AddPort("ttyUSB1");
    std::vector<std::string> ports;
    ListPorts(ports, sysfs.Root());
    EXPECT_EQ(ports, (std::vector<std::string>{"ttyUSB1", "ttyUSB99999999999999999999"}));
}

TEST(PortDevicePath, PrefixesRelativeNamesOnly)
{
    EXPECT_EQ(PortDevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(PortDevicePath("pts/3"), "/dev/pts/3");
    EXPECT_EQ(PortDevicePath("/tmp/ttyV0"), "/tmp/ttyV0");
    EXPECT_EQ(PortDevicePath("rfc2217://127.0.0.1:3001"), "rfc2217://127.0.0.1:3001");
}

TEST(PortNameOf, ShowsDevicesUnderDevAsPortNames)
{
    for (const std::string path : {"/dev/ttyUSB0", "/dev/pts/3", "/tmp/ttyV0", "/dev/", "ttyS1"})
        EXPECT_EQ(PortDevicePath(PortNameOf(path)), path.starts_with('/') ? path : "/dev/" + path) << path;
    EXPECT_EQ(PortNameOf("/dev/pts/3"), "pts/3");
    EXPECT_EQ(PortNameOf("/devices/x"), "/devices/x");
    EXPECT_EQ(PortNameOf("//dev//ttyUSB0"), "ttyUSB0");
    EXPECT_EQ(PortNameOf("/tmp//ttyV0"), "/tmp/ttyV0");
    EXPECT_EQ(PortNameOf("rfc2217://[::1]:3001"), "rfc2217://[::1]:3001");
}

// Stations of a production line: a pattern resolved in port order, each port named by
// its by-path link when udev made one (a replugged adapter keeps its name), else by its path.
TEST(Stations, PatternsFindPortsAndByPathLinksNameThem)
{
    FakeSysfs sysfs;
    const fs::path dev = sysfs.DevRoot();
    fs::create_directories(dev / "serial" / "by-path");
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0"})
        std::ofstream(dev / name) << "";
    fs::create_symlink("../../ttyUSB2", dev / "serial" / "by-path" / "pci-0000:00:14.0-usb-0:2:1.0-port0");
    fs::create_symlink("../../gone", dev / "serial" / "by-path" / "pci-0000:00:14.0-usb-0:9:1.0-port0");

    const std::string root = dev.string();
    EXPECT_EQ(PortsMatching("ttyUSB*", root), (std::vector<std::string>{root + "/ttyUSB2", root + "/ttyUSB10"}));
    EXPECT_EQ(PortsMatching("tty*", root).size(), 4u);
    EXPECT_EQ(PortsMatching(root + "/ttyACM[0-3]", root), (std::vector<std::string>{root + "/ttyACM0"}));
    EXPECT_TRUE(PortsMatching("ttyXYZ*", root).empty());

    EXPECT_EQ(StationName(root + "/ttyUSB2", root), "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0");
    EXPECT_EQ(StationName(root + "/ttyUSB10", root), root + "/ttyUSB10");
    EXPECT_EQ(StationName(root + "/missing", root), root + "/missing");
    EXPECT_EQ(LinkLeadingTo((dev / "serial" / "by-path").string(), root + "/ttyACM0"), "");
}

}  // namespace
}  // namespace torv
