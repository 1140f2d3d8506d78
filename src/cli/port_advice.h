#pragma once
// Why a serial device could not be opened, in plain words, with the way out.

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace torv::cli {

// Who asks: effective user and the groups the process is in.
struct Caller {
    uid_t uid = 0;
    std::vector<gid_t> groups;
};

// The running process.
Caller ThisProcess();

// True when caller may read and write a file with this owner, group and mode, by the
// mode bits (the super-user always may).
bool ModeGrantsReadWrite(mode_t mode, uid_t owner, gid_t group, const Caller& caller);

// Why devicePath cannot be used by caller: missing, or not permitted, with the advice
// the device's mode bits call for. Nothing when it looks usable (then it is in use, or
// not a serial port).
std::optional<std::string> DiagnoseDevice(const std::string& devicePath, const Caller& caller);

// Why this process can open no file at all (its file descriptor limit, or the system's,
// reached), with the way out; nothing when it can.
std::optional<std::string> FileLimitReached();

}  // namespace torv::cli
