#pragma once
// The process that writes a journal row, known well enough to tell later whether it still
// runs: its id, the boot it runs in, and when it started (a process id is reused).

#include <string>

namespace torv {

struct WriterProcess {
    long long pid = 0;
    std::string bootId;
    long long startTicks = 0;  // clock ticks after boot
};

WriterProcess ThisWriterProcess();

// False when the machine was restarted since, or no such process runs any more.
bool StillRunning(const WriterProcess& writer);

}  // namespace torv
