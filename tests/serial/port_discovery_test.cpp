#include "serial/port_discovery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace torv {
namespace {

namespace fs = std::filesystem;

// A fabricated /sys with entries of /sys/class/tty.
class FakeSysfs {
public:
    FakeSysfs() : root_(fs::temp_directory_path() / ("sysfs-" + std::to_string(::getpid()) + "-" + std::to_string(next_++)))
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
    EXPECT_EQ(ports, (std::vector<std::string>{"ttyS0", "ttyS1", "ttyUSB2", "ttyUSB10", "ttyACM0", "ttyAMA0"}));
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
    EXPECT_EQ(ports, (std::vector<std::string>{"ttyS0", "ttyUSB0"}));
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
}

TEST(PortNameOf, ShowsDevicesUnderDevAsPortNames)
{
    for (const std::string path : {"/dev/ttyUSB0", "/dev/pts/3", "/tmp/ttyV0", "/dev/", "ttyS1"})
        EXPECT_EQ(PortDevicePath(PortNameOf(path)), path.starts_with('/') ? path : "/dev/" + path) << path;
    EXPECT_EQ(PortNameOf("/dev/pts/3"), "pts/3");
    EXPECT_EQ(PortNameOf("/devices/x"), "/devices/x");
}

}  // namespace
}  // namespace torv
