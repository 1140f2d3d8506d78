// Why a port could not be opened, decided from the open's error, the device's mode, the
// user's groups and the processes that hold it, with made-up users and processes.
#include "pty_pair.h"
#include "serial/port_diagnosis.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>

namespace torv {
namespace {

TEST(PortDiagnosis, TheOpensErrorAndTheDevicesModeNameTheCause)
{
    QTemporaryFile device(QStringLiteral("/tmp/torv-diagnosis-XXXXXX"));
    ASSERT_TRUE(device.open());
    const std::string path = device.fileName().toStdString();
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    const group* entry = getgrgid(info.st_gid);
    const std::string groupName = entry ? entry->gr_name : std::to_string(info.st_gid);
    const UserGroups stranger{3000, "op", {3000}, {3000}};
    const UserGroups addedLater{3000, "op", {3000}, {3000, info.st_gid}};

    struct Case {
        const char* what;
        mode_t mode;
        PortOpenFailure failure;
        UserGroups user;
        PortFault fault;
        std::string group, owner;
    };
    const Case cases[] = {
        {"missing", 0660, {PortOpenStep::kDevice, ENOENT}, stranger, PortFault::kMissing, "", ""},
        {"group may", 0660, {PortOpenStep::kDevice, EACCES}, stranger, PortFault::kNoPermission, groupName, ""},
        {"group not active",
         0660,
         {PortOpenStep::kDevice, EACCES},
         addedLater,
         PortFault::kGroupNotActive,
         groupName,
         ""},
        {"owner only",
         0600,
         {PortOpenStep::kDevice, EACCES},
         addedLater,
         PortFault::kNoPermission,
         "",
         ThisUser().userName},
        {"line refused",
         0660,
         {PortOpenStep::kLineSettings, EINVAL},
         stranger,
         PortFault::kLineSettingsRefused,
         "",
         ""},
        {"network", 0660, {PortOpenStep::kNetwork, 0}, stranger, PortFault::kNetwork, "", ""},
        {"no failure", 0660, {}, stranger, PortFault::kUnknown, "", ""},
        {"not a terminal", 0660, {PortOpenStep::kDevice, ENOTTY}, stranger, PortFault::kUnknown, "", ""},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
        const std::string asked = c.fault == PortFault::kMissing ? path + "-gone" : path;
        const PortDiagnosis diagnosis = DiagnosePort(asked, c.failure, c.user);
        EXPECT_EQ(diagnosis.fault, c.fault) << c.what;
        EXPECT_EQ(diagnosis.devicePath, asked) << c.what;
        EXPECT_EQ(diagnosis.group, c.group) << c.what;
        EXPECT_EQ(diagnosis.owner, c.owner) << c.what;
    }
}

// The holders are the processes with a descriptor on the device, named by their command.
TEST(PortDiagnosis, ABusyPortNamesTheProgramsThatHoldIt)
{
    test::PtyPair pty;
    QTemporaryDir proc;
    const auto process = [&](const char* pid, const char* command, const std::string& target) {
        const QString folder = proc.filePath(QString::fromLatin1(pid));
        ASSERT_TRUE(QDir().mkpath(folder + "/fd"));
        QFile comm(folder + "/comm");
        ASSERT_TRUE(comm.open(QIODevice::WriteOnly));
        comm.write(QByteArray(command) + "\n");
        ASSERT_EQ(::symlink(target.c_str(), (folder + "/fd/3").toLocal8Bit().constData()), 0);
    };
    process("4242", "minicom", pty.SlavePath());
    process("4243", "bash", "/dev/null");
    process("self", "not-a-process", pty.SlavePath());

    const PortDiagnosis busy =
        DiagnosePort(pty.SlavePath(), {PortOpenStep::kDevice, EBUSY}, ThisUser(), proc.path().toStdString());
    EXPECT_EQ(busy.fault, PortFault::kHeld);
    ASSERT_EQ(busy.holders.size(), 1u);
    EXPECT_EQ(busy.holders[0].pid, 4242);
    EXPECT_EQ(busy.holders[0].program, "minicom");

    // With a lock on the device in the system's list, only its holder keeps the port.
    process("4244", "torv-adapter-em", pty.SlavePath());
    struct stat device {};
    ASSERT_EQ(::stat(pty.SlavePath().c_str(), &device), 0);
    QFile locks(proc.filePath(QStringLiteral("locks")));
    ASSERT_TRUE(locks.open(QIODevice::WriteOnly));
    locks.write(QStringLiteral("1: FLOCK  ADVISORY  WRITE 4244 00:01:999 0 EOF\n"
                               "2: FLOCK  ADVISORY  WRITE 4242 %1:%2:%3 0 EOF\n")
                    .arg(major(device.st_dev), 2, 16, QLatin1Char('0'))
                    .arg(minor(device.st_dev), 2, 16, QLatin1Char('0'))
                    .arg(device.st_ino)
                    .toLatin1());
    locks.close();
    const PortDiagnosis locked =
        DiagnosePort(pty.SlavePath(), {PortOpenStep::kDevice, EBUSY}, ThisUser(), proc.path().toStdString());
    ASSERT_EQ(locked.holders.size(), 1u);
    EXPECT_EQ(locked.holders[0].program, "minicom");

    EXPECT_TRUE(IsPseudoTerminal(pty.SlavePath()));
    EXPECT_FALSE(IsPseudoTerminal("/dev/null"));
}

}  // namespace
}  // namespace torv
