// The advice torvctl gives for each cause a port cannot be opened, decided for made-up
// users, and given to a real user without permission.
#include "cli/port_advice.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryFile>

#include "command_fixture.h"

namespace torv::cli {
namespace {

class DeviceFile : public ::testing::Test {
protected:
    // A device stand-in directly under /tmp, so that any user can reach it.
    void SetUp() override
    {
        file_.setFileTemplate(QStringLiteral("/tmp/torv-advice-XXXXXX"));
        ASSERT_TRUE(file_.open());
        path_ = file_.fileName().toStdString();
        struct stat info {};
        ASSERT_EQ(::stat(path_.c_str(), &info), 0);
        if (geteuid() == 0) {
            const group* dialout = getgrnam("dialout");
            if (dialout && ::chown(path_.c_str(), 0, dialout->gr_gid) == 0)
                info.st_gid = dialout->gr_gid;
        }
        const group* entry = getgrgid(info.st_gid);
        groupName_ = entry ? entry->gr_name : std::to_string(info.st_gid);
    }

    void SetMode(mode_t mode) { ASSERT_EQ(::chmod(path_.c_str(), mode), 0); }

    QTemporaryFile file_;
    std::string path_;
    std::string groupName_;
};

// A port that cannot be opened because this program has no file descriptor left is no
// fault of the port: the limit is named instead.
TEST(PortAdvice, AProgramOutOfFileDescriptorsIsToldSo)
{
    EXPECT_EQ(FileLimitReached(), std::nullopt);
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit none{3, 3};  // standard input, output and error take them all
        const std::optional<std::string> reason =
            ::setrlimit(RLIMIT_NOFILE, &none) == 0 ? FileLimitReached() : std::nullopt;
        ::_exit(reason && reason->find("ulimit -n") != std::string::npos ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(DeviceFile, AdviceFollowsTheModeBitsAndTheGroups)
{
    const UserGroups stranger{kNobody, "nobody", {kNobody}, {kNobody}};
    const PortOpenFailure refused{PortOpenStep::kDevice, EACCES};
    const auto advice = [&](const UserGroups& user, const PortOpenFailure& failure, const std::string& path) {
        return PortAdvice(DiagnosePort(path, failure, user), "open error");
    };
    SetMode(0660);
    const std::string group = advice(stranger, refused, path_);
    EXPECT_NE(group.find("sudo usermod -aG " + groupName_ + " \"$USER\""), std::string::npos) << group;
    struct stat info {};
    ASSERT_EQ(::stat(path_.c_str(), &info), 0);
    const std::string later = advice({kNobody, "nobody", {kNobody}, {kNobody, info.st_gid}}, refused, path_);
    EXPECT_NE(later.find("log out and in again"), std::string::npos) << later;
    EXPECT_EQ(later.find("usermod"), std::string::npos) << later;

    SetMode(0600);
    const std::string owner = advice(stranger, refused, path_);
    EXPECT_NE(owner.find("only to its owner"), std::string::npos) << owner;
    EXPECT_NE(owner.find("udev rule"), std::string::npos) << owner;
    EXPECT_EQ(owner.find("usermod"), std::string::npos) << owner;

    EXPECT_NE(advice(stranger, {PortOpenStep::kDevice, ENOENT}, path_ + "-gone").find("does not exist"),
              std::string::npos);
    const std::string line = advice(stranger, {PortOpenStep::kLineSettings, EINVAL}, path_);
    EXPECT_NE(line.find("cannot be set to 2400 bit/s, 8 data bits, even parity, 1 stop bit"), std::string::npos)
        << line;
}

// torvctl run as a user without permission: exit 4 and the advice for each mode.
TEST_F(DeviceFile, TorvctlWithoutPermissionExitsFour)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to run torvctl as another user";
    for (const auto& [mode, advice] : {std::pair{0660, "sudo usermod -aG " + groupName_},
                                       std::pair{0600, std::string("only to its owner \"root\"")}}) {
        SetMode(static_cast<mode_t>(mode));
        const std::optional<Outcome> torvctl = RunTorvctlProgram({"read", "--port", path_}, BecomeNobody);
        if (!torvctl)
            GTEST_SKIP() << "torvctl cannot be run as user " << kNobody << " from the build tree";
        EXPECT_EQ(torvctl->code, 4) << torvctl->err;
        EXPECT_NE(torvctl->err.find(advice), std::string::npos) << torvctl->err;
    }
}

}  // namespace
}  // namespace torv::cli
