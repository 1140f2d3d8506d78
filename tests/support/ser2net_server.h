#pragma once
// Test helpers for network serial ports: a real ser2net started in a temporary folder
// (listening on 127.0.0.1 only, on a free port, in front of one serial device preset to
// 9600 8N1), and a TCP listener that never answers anything.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

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
        const QString config = folder_.filePath("ser2net.yaml");
        std::ofstream(config.toStdString()) << "%YAML 1.1\n---\n"
                                            << "connection: &torv\n"
                                            << "  accepter: " << accepter << ",tcp,127.0.0.1," << port_ << "\n"
                                            << "  connector: serialdev," << devicePath << ",9600n81,local\n"
                                            << "  options:\n"
                                            << "    kickolduser: true\n";
        // -n: in the foreground, so that this process owns it; -u: no UUCP lock files.
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(program, {"-n", "-u", "-c", config, "-P", folder_.filePath("ser2net.pid")});
        if (!process_.waitForStarted(5000))
            throw std::runtime_error("ser2net does not start: " + process_.errorString().toStdString());
        pid_ = static_cast<pid_t>(process_.processId());
        for (int tries = 0; !Listening(); ++tries) {
            if (tries == 100 || process_.state() != QProcess::Running) {
                Kill();
                process_.waitForFinished(5000);
                throw std::runtime_error("ser2net does not listen on 127.0.0.1:" + std::to_string(port_) + ": " +
                                         process_.readAll().toStdString());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~Ser2NetServer()
    {
        Kill();
        process_.waitForFinished(5000);
    }
    Ser2NetServer(const Ser2NetServer&) = delete;
    Ser2NetServer& operator=(const Ser2NetServer&) = delete;

    std::string PortName() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }

    // Ends it at once, as a crash or a power cut would (SIGKILL). Safe from any thread.
    void Kill() const
    {
        if (pid_ > 0)
            ::kill(pid_, SIGKILL);
    }

private:
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
    QProcess process_;
    pid_t pid_ = 0;
    int port_ = 0;
};

}  // namespace torv::test
