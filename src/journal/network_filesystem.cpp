#include "journal/network_filesystem.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <iterator>

namespace torv {
namespace {

// mountinfo writes blanks, tabs, line breaks and backslashes in paths as \ and three octal digits.
std::string Unescaped(const std::string& field)
{
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const bool octal = field[i] == '\\' && i + 3 < field.size() &&
                           field.substr(i + 1, 3).find_first_not_of("01234567") == std::string::npos;
        if (octal) {
            text += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// True when folder is mountPoint or lies under it.
bool Under(const std::string& folder, const std::string& mountPoint)
{
    if (mountPoint == "/")
        return true;
    return folder.starts_with(mountPoint) && (folder.size() == mountPoint.size() || folder[mountPoint.size()] == '/');
}

}  // namespace

std::string FileSystemTypeIn(const std::string& mountinfo, const std::string& path)
{
    std::istringstream lines(mountinfo);
    std::string line;
    std::string best;
    std::string type;
    while (std::getline(lines, line)) {
        // ID PARENT MAJOR:MINOR ROOT MOUNT-POINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPER-OPTIONS
        std::istringstream fields(line);
        std::string field, mountPoint;
        for (int i = 0; i < 5 && fields >> field; ++i)
            mountPoint = field;
        while (fields >> field && field != "-") {
        }
        std::string fsType;
        if (!(fields >> fsType))
            continue;
        mountPoint = Unescaped(mountPoint);
        // A later mount on the same point hides the earlier one.
        if (Under(path, mountPoint) && mountPoint.size() >= best.size()) {
            best = mountPoint;
            type = fsType;
        }
    }
    return type;
}

bool IsNetworkFileSystem(const std::string& type)
{
    static const std::set<std::string, std::less<>> network = {"nfs",           "nfs4",
                                                               "cifs",          "smb3",
                                                               "smbfs",         "ncpfs",
                                                               "afs",           "ceph",
                                                               "glusterfs",     "9p",
                                                               "coda",          "lustre",
                                                               "davfs",         "fuse.sshfs",
                                                               "fuse.rclone",   "fuse.s3fs",
                                                               "fuse.gcsfuse",  "fuse.glusterfs",
                                                               "fuse.cephfs",   "fuse.davfs",
                                                               "fuse.smbnetfs", "fuse.curlftpfs",
                                                               "fuse.juicefs"};
    return network.contains(type);
}

std::string FileSystemTypeOf(const std::string& path)
{
    std::error_code error;
    std::filesystem::path existing = std::filesystem::absolute(path, error);
    while (!existing.empty() && !std::filesystem::exists(existing, error) && existing != existing.root_path())
        existing = existing.parent_path();
    existing = std::filesystem::canonical(existing, error);
    if (error)
        return "";
    std::ifstream file("/proc/self/mountinfo");
    const std::string mountinfo((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return FileSystemTypeIn(mountinfo, existing.string());
}

}  // namespace torv
