#pragma once
// The gensio side of a serial port on a network serial server: a telnet connection with
// the COM-PORT option (RFC 2217) over TCP. gensio is serviced by one thread of the link's
// own, and every gensio call is made there: requests from other threads are queued and
// run on it (the server's answers are only processed by that thread, and only while
// reading is enabled, which it always is). What the server sends is handed to the
// owner's handlers on the service thread.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct gensio;
struct gensio_os_funcs;
struct gensio_runner;
struct sergensio;

namespace torv::tty {

class Rfc2217Link {
public:
    // The line settings the server answers, with their RFC 2217 values (parity 1 none,
    // 2 odd, 3 even, 4 mark, 5 space; stop bits 1, 2, or 3 for 1.5).
    enum class Setting { kBaud, kDataSize, kParity, kStopBits };
    static constexpr std::size_t kSettings = 4;

    struct Handlers {
        std::function<void(const std::uint8_t* data, std::size_t count)> received;
        // The server's modem-state and line-state reports, RFC 2217 bits.
        std::function<void(unsigned state)> modemState;
        std::function<void(unsigned state)> lineState;
        // The server's answer to Ask: error 0 and the value in force, or the gensio error
        // (the server refused the option, or gave no answer in gensio's own time).
        std::function<void(Setting setting, int error, unsigned value)> answered;
        // The connection has gone; called once.
        std::function<void(const std::string& reason)> lost;
    };

    explicit Rfc2217Link(Handlers handlers);
    // Closes the connection and ends the service thread; no handler runs afterwards.
    ~Rfc2217Link();
    Rfc2217Link(const Rfc2217Link&) = delete;
    Rfc2217Link& operator=(const Rfc2217Link&) = delete;

    // Connects to host and port and negotiates the COM-PORT option, asking the server to
    // report modem-line changes and line errors. Nothing when that is done within
    // patience, else why not, in words.
    std::optional<std::string> Connect(const std::string& host, const std::string& port, std::chrono::seconds patience);

    // Sets a line setting on the server (value 0 only asks for it); answered through
    // Handlers::answered.
    void Ask(Setting setting, unsigned value);
    // Requests the server confirms in its own way or not at all (a server in front of a
    // pseudo-terminal never answers DTR and RTS): nothing waits for them.
    void SetDtr(bool on);
    void SetRts(bool on);
    // gensio's SERGENSIO_FLOWCONTROL_* values, outbound and inbound.
    void SetFlowControl(unsigned outbound, unsigned inbound);

    // Queues bytes for the server.
    void Send(const std::uint8_t* data, std::size_t count);
    // Bytes queued that gensio has not yet taken; once the connection is lost, those
    // that never left.
    std::size_t Unsent() const;
    // Drops the bytes not yet taken and asks the server to purge its receive and transmit
    // buffers.
    void Purge();

private:
    enum class Phase { kStarting, kConnecting, kNegotiating, kOpen, kFailed };

    void Serve();
    bool SetUp();
    void ShutDown();
    // Runs the runners and timers that are due, without waiting.
    void RunPending();
    // Runs request on the service thread.
    void Post(std::function<void()> request);
    void RunRequests();
    void Fail(const std::string& reason);
    void TcpOpened(int error);
    void TelnetOpened(int error);
    void SendUnsent();
    void ConnectionLost(int error);
    bool Stopping();

    static int OnEvent(gensio* io, void* self, int event, int error, unsigned char* buffer, unsigned long* count,
                       const char* const* auxiliary);
    static void OnAnswer(sergensio* sio, int error, unsigned value, void* setting);

    Handlers handlers_;
    std::string host_;
    std::string port_;

    // Service thread only.
    gensio_os_funcs* os_ = nullptr;
    gensio_runner* runner_ = nullptr;
    gensio* tcp_ = nullptr;
    gensio* io_ = nullptr;  // the telnet gensio over tcp_, once stacked
    sergensio* sio_ = nullptr;
    bool closed_ = false;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Phase phase_ = Phase::kStarting;
    std::string failure_;
    bool serving_ = false;  // os_ and runner_ are set up: requests can be posted
    bool lost_ = false;
    bool stopping_ = false;
    std::deque<std::function<void()>> requests_;
    std::string unsent_;
    unsigned purges_ = 0;  // counts Purge calls, so that a send in progress drops nothing new

    std::thread thread_;
};

}  // namespace torv::tty
