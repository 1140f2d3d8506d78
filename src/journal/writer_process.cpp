#include "journal/writer_process.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace torv {
namespace {

std::string BootId()
{
    std::ifstream file("/proc/sys/kernel/random/boot_id");
    std::string id;
    std::getline(file, id);
    return id;
}

// Field 22 of /proc/PID/stat; 0 when there is no such process. The command name (field 2)
// may hold blanks and parentheses, so fields are counted after its closing parenthesis.
long long StartTicks(long long pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(file, line))
        return 0;
    const std::size_t nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos)
        return 0;
    std::istringstream fields(line.substr(nameEnd + 1));
    std::string field;
    for (int i = 3; i < 22 && fields >> field; ++i) {
    }
    long long ticks = 0;
    fields >> ticks;
    return ticks;
}

}  // namespace

WriterProcess ThisWriterProcess()
{
    const long long pid = ::getpid();
    return {pid, BootId(), StartTicks(pid)};
}

bool StillRunning(const WriterProcess& writer)
{
    return writer.pid > 0 && writer.bootId == BootId() && writer.startTicks != 0 &&
           StartTicks(writer.pid) == writer.startTicks;
}

}  // namespace torv
