#include "serial/rfc2217_link.h"

#include <gensio/gensio.h>
#include <gensio/gensio_os_funcs_public.h>
#include <gensio/gensio_unix.h>
#include <gensio/sergensio.h>

#include <QtGlobal>

#include <pthread.h>
#include <signal.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

namespace torv::tty {

namespace {

// How much of the queue one write hands to gensio.
constexpr std::size_t kSendChunk = 4096;
// How long closing waits for gensio to finish a close.
constexpr gensio_time kCloseWait{1, 0};

// gensio wakes its service thread from other threads with this signal (its handler does
// nothing; only the interrupted wait matters). The modem-line wait of tty_device.cpp uses
// SIGRTMIN + 4.
int WakeSignal()
{
    static const int signal = [] {
        const int number = SIGRTMIN + 5;
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        ::sigaction(number, &action, nullptr);
        return number;
    }();
    return signal;
}

void LogFromGensio(gensio_os_funcs*, gensio_log_levels level, const char* format, va_list arguments)
{
    if (level > GENSIO_LOG_WARNING) {
        return;
    }
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    qWarning("gensio: %s", text);
}

std::string ErrorText(int error)
{
    return gensio_err_to_str(error);
}

void* SettingTag(Rfc2217Link::Setting setting)
{
    return reinterpret_cast<void*>(static_cast<std::intptr_t>(setting));
}

}  // namespace

Rfc2217Link::Rfc2217Link(Handlers handlers) : handlers_(std::move(handlers))
{
    WakeSignal();  // the handler is in place before the first wake-up
}

Rfc2217Link::~Rfc2217Link()
{
    bool serving = false;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        serving = serving_;
    }
    if (thread_.joinable()) {
        if (serving) {
            Post([] {});  // wakes the service loop, which then sees stopping_
        }
        thread_.join();
    }
}

std::optional<std::string> Rfc2217Link::Connect(const std::string& host, const std::string& port,
                                                std::chrono::seconds patience)
{
    host_ = host;
    port_ = port;
    thread_ = std::thread([this] { Serve(); });
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, patience, [this] { return phase_ == Phase::kOpen || phase_ == Phase::kFailed; });
    const std::string within = " within " + std::to_string(patience.count()) + " s";
    switch (phase_) {
    case Phase::kOpen: return std::nullopt;
    case Phase::kFailed: return failure_;
    case Phase::kNegotiating:
        return "the server does not answer the telnet negotiation of RFC 2217" + within +
               ": it is no RFC 2217 serial server (ser2net needs telnet(rfc2217) before tcp in its accepter)";
    default: return "no connection to " + host_ + " port " + port_ + within;
    }
}

// ---- The service thread

void Rfc2217Link::Serve()
{
    // SIGPIPE from a write to a connection the server dropped would end the process; it
    // is directed at this thread, the only one that writes to the connection.
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, WakeSignal());
    sigaddset(&blocked, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
    if (SetUp()) {
        while (!Stopping()) {
            gensio_os_funcs_service(os_, nullptr);  // returns on every wake-up
        }
    }
    ShutDown();
}

bool Rfc2217Link::SetUp()
{
    if (const int error = gensio_unix_funcs_alloc(nullptr, WakeSignal(), &os_)) {
        os_ = nullptr;
        Fail("gensio cannot start (" + ErrorText(error) + ")");
        return false;
    }
    gensio_os_funcs_set_vlog(os_, LogFromGensio);
    runner_ = gensio_os_funcs_alloc_runner(
        os_, [](gensio_runner*, void* self) { static_cast<Rfc2217Link*>(self)->RunRequests(); }, this);
    if (runner_ == nullptr) {
        Fail("gensio cannot start (out of memory)");
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        serving_ = true;
    }
    // No delay for small segments: every command to the adapter is one.
    const std::string address = "tcp(nodelay)," + host_ + "," + port_;
    const auto ignore = [](gensio*, void*, int, int, unsigned char*, gensiods*, const char* const*) { return 0; };
    if (const int error = str_to_gensio(address.c_str(), os_, ignore, nullptr, &tcp_)) {
        tcp_ = nullptr;
        Fail("cannot reach " + host_ + " port " + port_ + " (" + ErrorText(error) + ")");
        return true;  // stays up until the owner gives up
    }
    {
        std::lock_guard lock(mutex_);
        phase_ = Phase::kConnecting;
    }
    const auto opened = [](gensio*, int error, void* self) { static_cast<Rfc2217Link*>(self)->TcpOpened(error); };
    if (const int error = gensio_open(tcp_, opened, this)) {
        Fail("cannot connect to " + host_ + " port " + port_ + " (" + ErrorText(error) + ")");
    }
    return true;
}

void Rfc2217Link::TcpOpened(int error)
{
    if (error != 0) {
        Fail("cannot connect to " + host_ + " port " + port_ + " (" + ErrorText(error) + ")");
        return;
    }
    // Stacked only now, so that a missing connection and a server that does not speak
    // RFC 2217 are told apart.
    if (const int failed = str_to_gensio_child(tcp_, "telnet(rfc2217)", os_, OnEvent, this, &io_)) {
        io_ = nullptr;
        Fail("gensio cannot start telnet (" + ErrorText(failed) + ")");
        return;
    }
    {
        std::lock_guard lock(mutex_);
        phase_ = Phase::kNegotiating;
    }
    const auto opened = [](gensio*, int failure, void* self) {
        static_cast<Rfc2217Link*>(self)->TelnetOpened(failure);
    };
    if (const int failed = gensio_open_nochild(io_, opened, this)) {
        Fail("gensio cannot start telnet (" + ErrorText(failed) + ")");
    }
}

void Rfc2217Link::TelnetOpened(int error)
{
    if (error != 0) {
        Fail(error == GE_REMCLOSE ? "the server closed the connection: its serial device may be missing or in use"
                                  : "the telnet negotiation failed (" + ErrorText(error) + ")");
        return;
    }
    sio_ = gensio_to_sergensio(io_);
    // The server's answers are processed only while reading is enabled.
    gensio_set_read_callback_enable(io_, true);
    sergensio_modemstate(sio_, SERGENSIO_MODEMSTATE_CTS | SERGENSIO_MODEMSTATE_DSR | SERGENSIO_MODEMSTATE_RI |
                                   SERGENSIO_MODEMSTATE_CD | SERGENSIO_MODEMSTATE_CTS_CHANGED |
                                   SERGENSIO_MODEMSTATE_DSR_CHANGED | SERGENSIO_MODEMSTATE_RI_CHANGED |
                                   SERGENSIO_MODEMSTATE_CD_CHANGED);
    sergensio_linestate(sio_, SERGENSIO_LINESTATE_OVERRUN_ERR | SERGENSIO_LINESTATE_PARITY_ERR |
                                  SERGENSIO_LINESTATE_FRAMING_ERR | SERGENSIO_LINESTATE_BREAK);
    {
        std::lock_guard lock(mutex_);
        phase_ = Phase::kOpen;
    }
    changed_.notify_all();
}

void Rfc2217Link::Fail(const std::string& reason)
{
    {
        std::lock_guard lock(mutex_);
        if (phase_ == Phase::kOpen || phase_ == Phase::kFailed) {
            return;
        }
        phase_ = Phase::kFailed;
        failure_ = reason;
    }
    changed_.notify_all();
}

void Rfc2217Link::ShutDown()
{
    if (os_ == nullptr) {
        return;
    }
    RunPending();
    gensio* top = io_ != nullptr ? io_ : tcp_;  // the telnet gensio owns the tcp one once stacked
    if (top != nullptr) {
        bool open = false;
        {
            std::lock_guard lock(mutex_);
            open = phase_ == Phase::kOpen && !lost_;
        }
        const auto closed = [](gensio*, void* self) { static_cast<Rfc2217Link*>(self)->closed_ = true; };
        if (open && gensio_close(top, closed, this) == 0) {
            gensio_time left = kCloseWait;
            while (!closed_ && gensio_os_funcs_service(os_, &left) != GE_TIMEDOUT) {
            }
        }
        gensio_free(top);
        RunPending();  // what gensio left to finish the free
    }
    if (runner_ != nullptr) {
        gensio_os_funcs_free_runner(os_, runner_);
    }
    gensio_os_funcs_free(os_);
}

void Rfc2217Link::RunPending()
{
    constexpr int kMostPasses = 100;
    for (int pass = 0; pass < kMostPasses; ++pass) {
        gensio_time now{0, 0};
        if (gensio_os_funcs_service(os_, &now) == GE_TIMEDOUT) {
            return;
        }
    }
}

bool Rfc2217Link::Stopping()
{
    std::lock_guard lock(mutex_);
    return stopping_;
}

void Rfc2217Link::Post(std::function<void()> request)
{
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(std::move(request));
    }
    gensio_os_funcs_run(os_, runner_);  // already scheduled is as good
}

void Rfc2217Link::RunRequests()
{
    for (;;) {
        std::deque<std::function<void()>> requests;
        {
            std::lock_guard lock(mutex_);
            requests.swap(requests_);
        }
        if (requests.empty()) {
            return;
        }
        for (const auto& request : requests) {
            request();
        }
    }
}

// ---- Requests

void Rfc2217Link::Ask(Setting setting, unsigned value)
{
    Post([this, setting, value] {
        if (sio_ == nullptr) {
            handlers_.answered(setting, GE_NOTREADY, 0);
            return;
        }
        int error = 0;
        switch (setting) {
        case Setting::kBaud: error = sergensio_baud(sio_, value, OnAnswer, SettingTag(setting)); break;
        case Setting::kDataSize: error = sergensio_datasize(sio_, value, OnAnswer, SettingTag(setting)); break;
        case Setting::kParity: error = sergensio_parity(sio_, value, OnAnswer, SettingTag(setting)); break;
        case Setting::kStopBits: error = sergensio_stopbits(sio_, value, OnAnswer, SettingTag(setting)); break;
        }
        if (error != 0) {
            handlers_.answered(setting, error, 0);  // refused at once: the server declined RFC 2217
        }
    });
}

void Rfc2217Link::OnAnswer(sergensio* sio, int error, unsigned value, void* setting)
{
    auto* self = static_cast<Rfc2217Link*>(gensio_get_user_data(sergensio_to_gensio(sio)));
    self->handlers_.answered(static_cast<Setting>(reinterpret_cast<std::intptr_t>(setting)), error, value);
}

// Requests of the control group carry no answer callback: gensio 2.6.2 hands an answer
// to the oldest waiting control request, so an answer that never comes would pass the
// next setting's answer to the wrong callback.
void Rfc2217Link::SetDtr(bool on)
{
    Post([this, on] {
        if (sio_ != nullptr) {
            sergensio_dtr(sio_, on ? SERGENSIO_DTR_ON : SERGENSIO_DTR_OFF, nullptr, nullptr);
        }
    });
}

void Rfc2217Link::SetRts(bool on)
{
    Post([this, on] {
        if (sio_ != nullptr) {
            sergensio_rts(sio_, on ? SERGENSIO_RTS_ON : SERGENSIO_RTS_OFF, nullptr, nullptr);
        }
    });
}

void Rfc2217Link::SetFlowControl(unsigned outbound, unsigned inbound)
{
    Post([this, outbound, inbound] {
        if (sio_ != nullptr) {
            sergensio_flowcontrol(sio_, outbound, nullptr, nullptr);
            sergensio_iflowcontrol(sio_, inbound, nullptr, nullptr);
        }
    });
}

// ---- Data

void Rfc2217Link::Send(const std::uint8_t* data, std::size_t count)
{
    {
        std::lock_guard lock(mutex_);
        unsent_.append(reinterpret_cast<const char*>(data), count);
    }
    Post([this] { SendUnsent(); });
}

std::size_t Rfc2217Link::Unsent() const
{
    std::lock_guard lock(mutex_);
    return unsent_.size();
}

void Rfc2217Link::Purge()
{
    {
        std::lock_guard lock(mutex_);
        unsent_.clear();
        ++purges_;
    }
    Post([this] {
        if (sio_ != nullptr) {
            sergensio_flush(sio_, SERGENSIO_FLUSH_RCV_XMIT_BUFFERS);
        }
    });
}

void Rfc2217Link::SendUnsent()
{
    if (io_ == nullptr || sio_ == nullptr) {
        return;
    }
    for (;;) {
        std::string chunk;
        unsigned purges = 0;
        {
            std::lock_guard lock(mutex_);
            if (lost_) {
                return;
            }
            chunk = unsent_.substr(0, kSendChunk);
            purges = purges_;
        }
        if (chunk.empty()) {
            gensio_set_write_callback_enable(io_, false);
            return;
        }
        gensiods taken = 0;
        if (const int error = gensio_write(io_, &taken, chunk.data(), chunk.size(), nullptr)) {
            ConnectionLost(error);
            return;
        }
        {
            std::lock_guard lock(mutex_);
            if (purges == purges_) {
                unsent_.erase(0, taken);
            }
        }
        if (taken < chunk.size()) {
            gensio_set_write_callback_enable(io_, true);  // the rest when gensio has room
            return;
        }
    }
}

void Rfc2217Link::ConnectionLost(int error)
{
    {
        std::lock_guard lock(mutex_);
        if (lost_ || stopping_) {
            return;
        }
        lost_ = true;  // what is unsent stays counted: it never left
    }
    gensio_set_read_callback_enable(io_, false);
    gensio_set_write_callback_enable(io_, false);
    handlers_.lost(ErrorText(error));
}

int Rfc2217Link::OnEvent(gensio*, void* self, int event, int error, unsigned char* buffer, unsigned long* count,
                         const char* const*)
{
    auto* link = static_cast<Rfc2217Link*>(self);
    unsigned state = 0;
    switch (event) {
    case GENSIO_EVENT_READ:
        if (error != 0) {
            link->ConnectionLost(error);
        } else {
            link->handlers_.received(buffer, *count);
        }
        return 0;
    case GENSIO_EVENT_WRITE_READY: link->SendUnsent(); return 0;
    case GENSIO_EVENT_SER_MODEMSTATE:
        std::memcpy(&state, buffer, sizeof state);
        link->handlers_.modemState(state);
        return 0;
    case GENSIO_EVENT_SER_LINESTATE:
        std::memcpy(&state, buffer, sizeof state);
        link->handlers_.lineState(state);
        return 0;
    default: return GE_NOTSUP;
    }
}

}  // namespace torv::tty
