#pragma once
// Whether a file lives on a network file system, told by the kernel's table of this
// process's mounts (/proc/self/mountinfo). SQLite's write-ahead log needs memory shared
// between the programs that use a database, which a network file system cannot give:
// there it corrupts the journal.

#include <string>

namespace torv {

// The type of the file system that holds path ("ext4", "nfs4", "fuse.sshfs", ...): that
// of the longest mount point containing it, in mountinfo's text. Empty when none does.
std::string FileSystemTypeIn(const std::string& mountinfo, const std::string& path);

// NFS, CIFS/SMB, sshfs and the other file systems whose data lives on another machine.
bool IsNetworkFileSystem(const std::string& type);

// The type of the file system that holds path (which need not exist yet: its nearest
// existing folder is taken), from /proc/self/mountinfo; empty when it cannot be told.
std::string FileSystemTypeOf(const std::string& path);

}  // namespace torv
