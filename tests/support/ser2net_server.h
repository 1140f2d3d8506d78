#pragma once
// Test helpers for network serial ports: a real ser2net started in a temporary folder
// (listening on 127.0.0.1 only, on a free port, in front of one serial device preset to
// 9600 8N1), and a TCP listener that never answers anything.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QStandardPaths>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace torv::test {

// A socket bound to a free port on 127.0.0.1; listening when asked to.
class LoopbackSocket {
public:
    explicit LoopbackSocket(bool listen)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            (listen && ::listen(fd_, 4) != 0) || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            throw std::runtime_error("no socket on 127.0.0.1");
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackSocket() { ::close(fd_); }
    LoopbackSocket(const LoopbackSocket&) = delete;
    LoopbackSocket& operator=(const LoopbackSocket&) = delete;

    int Port() const { return port_; }
    std::string PortName() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }

private:
    int fd_ = -1;
    int port_ = 0;
};

// A listener that is never accepted from: the kernel completes the connection, and
// nothing ever answers (no telnet, no RFC 2217).
class SilentListener : public LoopbackSocket {
public:
    SilentListener() : LoopbackSocket(true) {}
};

class Ser2NetServer {
public:
    // Starts ser2net with an accepter of this kind in front of devicePath. Throws
    // std::runtime_error with the reason when ser2net is not installed or does not listen.
    explicit Ser2NetServer(const std::string& devicePath, const std::string& accepter = "telnet(rfc2217)")
    {
        QString program = QStandardPaths::findExecutable("ser2net");
        if (program.isEmpty())
            program = QStandardPaths::findExecutable("ser2net", {"/usr/sbin", "/sbin"});
        if (program.isEmpty())
            throw std::runtime_error("ser2net is not installed (Debian package ser2net; scripts/install-deps)");
        if (!folder_.isValid())
            throw std::runtime_error("no temporary folder for ser2net");
        port_ = LoopbackSocket(false).Port();  // free now; ser2net binds it at once
        const std::string config = folder_.filePath("ser2net.yaml").toStdString();
        std::ofstream(config) << "%YAML 1.1\n---\n"
                              << "connection: &torv\n"
                              << "  accepter: " << accepter << ",tcp,127.0.0.1," << port_ << "\n"
                              << "  connector: serialdev," << devicePath << ",9600n81,local\n"
                              << "  options:\n"
                              << "    kickolduser: true\n";
        Start(program.toStdString(), config);
        for (int tries = 0; !Listening(); ++tries) {
            if (tries == 100 || ::waitpid(pid_, nullptr, WNOHANG) != 0) {
                Stop();
                std::ifstream log(Log());
                throw std::runtime_error("ser2net does not listen on 127.0.0.1:" + std::to_string(port_) + ": " +
                                         std::string(std::istreambuf_iterator<char>(log), {}));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~Ser2NetServer() { Stop(); }
    Ser2NetServer(const Ser2NetServer&) = delete;
    Ser2NetServer& operator=(const Ser2NetServer&) = delete;

    std::string PortName() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }

    // Ends it at once, as a crash or a power cut would (SIGKILL). Safe from any thread.
    void Kill() const
    {
        if (const pid_t pid = pid_; pid > 0)
            ::kill(pid, SIGKILL);
    }

private:
    // posix_spawn, not QProcess: Qt's way of starting a process leaves ThreadSanitizer
    // blind to the calling thread's locks from then on. -n: in the foreground, so that
    // this process owns it; -u: no UUCP lock files.
    void Start(const std::string& program, const std::string& config)
    {
        const std::string pidFile = folder_.filePath("ser2net.pid").toStdString();
        std::vector<std::string> words{program, "-n", "-u", "-c", config, "-P", pidFile};
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, Log().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t pid = 0;
        const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0)
            throw std::runtime_error("ser2net does not start: " + std::string(std::strerror(error)));
        pid_ = pid;
    }

    void Stop()
    {
        Kill();
        ::waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

    std::string Log() const { return folder_.filePath("ser2net.log").toStdString(); }

    // A socket listening on 127.0.0.1:port_ in /proc/net/tcp (state 0A); asking by
    // connecting would open a session.
    bool Listening() const
    {
        char wanted[16];
        std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port_);
        std::ifstream table("/proc/net/tcp");
        std::string line;
        while (std::getline(table, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            if (local == wanted && state == "0A")
                return true;
        }
        return false;
    }

    QTemporaryDir folder_;
    std::atomic<pid_t> pid_ = 0;
    int port_ = 0;
};

}  // namespace torv::test
