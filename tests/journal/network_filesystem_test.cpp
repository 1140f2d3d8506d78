// The file system that holds a journal, told from mountinfo's text: the longest mount
// point that contains the path, with mountinfo's octal escapes in paths undone.
#include "journal/network_filesystem.h"

#include <gtest/gtest.h>

namespace torv {
namespace {

TEST(NetworkFileSystem, TheLongestMountPointHoldingThePathGivesItsType)
{
    const std::string mountinfo =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 22 0:35 / /home rw,relatime shared:20 - xfs /dev/sda2 rw\n"
        "41 40 0:36 / /home/office rw,relatime shared:21 - nfs4 srv:/export rw,vers=4.2\n"
        "42 40 0:37 / /home/office\\040bench rw,relatime - fuse.sshfs bench@srv:/ rw,user_id=0\n"
        "43 40 0:38 / /home/smb rw master:3 unbindable - cifs //srv/share rw\n"
        "44 43 0:39 / /home/smb/local rw - tmpfs tmpfs rw\n"
        "45 22 0:40 / /mnt/a\\134b rw - smb3 //srv/b rw\n"
        "garbage line\n";
    const struct {
        const char* path;
        const char* type;
        bool network;
    } cases[] = {
        {"/var/lib/journal.sqlite", "ext4", false},
        {"/home/ann/journal.sqlite", "xfs", false},
        {"/home/office/journal.sqlite", "nfs4", true},
        {"/home/officex/journal.sqlite", "xfs", false},  // a prefix of a name is no mount point
        {"/home/office bench/j.sqlite", "fuse.sshfs", true},
        {"/home/smb/j.sqlite", "cifs", true},
        {"/home/smb/local/j.sqlite", "tmpfs", false},
        {"/mnt/a\\b/j.sqlite", "smb3", true},
    };
    for (const auto& [path, type, network] : cases) {
        EXPECT_EQ(FileSystemTypeIn(mountinfo, path), type) << path;
        EXPECT_EQ(IsNetworkFileSystem(FileSystemTypeIn(mountinfo, path)), network) << path;
    }
    EXPECT_EQ(FileSystemTypeIn("", "/x"), "");
    // A mount over an earlier one on the same point hides it.
    EXPECT_EQ(FileSystemTypeIn("1 0 0:1 / /srv rw - ext4 a rw\n2 1 0:2 / /srv rw - nfs b rw\n", "/srv/j"), "nfs");
    // This process's own table: the file system of a folder that exists is known.
    EXPECT_FALSE(FileSystemTypeOf("/proc/self/no-such-file").empty());
}

}  // namespace
}  // namespace torv
