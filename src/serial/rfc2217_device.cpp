#include "serial/rfc2217_device.h"

#include "serial/rfc2217_link.h"
#include "serial/sio_error.h"
#include "serial/tty_port.h"

// The kernel's own termios2 flags, as tty_port.cpp builds them.
#include <asm/termbits.h>
#include <gensio/gensio_err.h>
#include <gensio/sergensio.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>

namespace torv::tty {

namespace {

using Setting = Rfc2217Link::Setting;
using SettingValues = std::array<unsigned, Rfc2217Link::kSettings>;

// Received bytes kept for the program at most; beyond, they are lost as in a UART's overrun.
constexpr std::size_t kInputLimit = 64 * 1024;
constexpr std::uint8_t kMarkByte = 0xFF;

constexpr char kNotRfc2217Advice[] = "ser2net needs telnet(rfc2217) before tcp in its accepter";

struct Address {
    std::string host;
    std::string port;
};

bool IsHostCharacter(char c, bool bracketed)
{
    const auto u = static_cast<unsigned char>(c);
    return bracketed ? (std::isxdigit(u) || c == ':' || c == '.') : (std::isalnum(u) || c == '.' || c == '-');
}

// HOST:PORT, with an IPv6 address in brackets. Only characters that cannot reach gensio's
// own address syntax (commas, options) are let through.
std::optional<Address> ParseAddress(std::string_view rest)
{
    const bool bracketed = rest.starts_with('[');
    const std::size_t hostEnd = bracketed ? rest.find(']') : rest.rfind(':');
    if (hostEnd == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view host = bracketed ? rest.substr(1, hostEnd - 1) : rest.substr(0, hostEnd);
    std::string_view port = rest.substr(bracketed ? hostEnd + 1 : hostEnd);
    if (host.empty() || !std::all_of(host.begin(), host.end(), [&](char c) { return IsHostCharacter(c, bracketed); })) {
        return std::nullopt;
    }
    if (!port.starts_with(':')) {
        return std::nullopt;
    }
    port.remove_prefix(1);
    if (port.empty() || port.size() > 5 ||
        !std::all_of(port.begin(), port.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        return std::nullopt;
    }
    const int number = std::stoi(std::string(port));
    if (number < 1 || number > 65535) {
        return std::nullopt;
    }
    return Address{std::string(host), std::string(port)};
}

ESioCommError OpenFailure(const std::string& name, const std::string& reason)
{
    return ESioCommError("Can't open specified device " + name + " (" + reason + ")", {PortOpenStep::kNetwork, 0});
}

// ---- termios words and RFC 2217 values

SettingValues ValuesOf(const TermiosWords& words)
{
    SettingValues values{};
    values[static_cast<int>(Setting::kBaud)] = words.speed;
    switch (words.cflag & CSIZE) {
    case CS5: values[static_cast<int>(Setting::kDataSize)] = 5; break;
    case CS6: values[static_cast<int>(Setting::kDataSize)] = 6; break;
    case CS7: values[static_cast<int>(Setting::kDataSize)] = 7; break;
    default: values[static_cast<int>(Setting::kDataSize)] = 8; break;
    }
    unsigned parity = SERGENSIO_PARITY_NONE;
    if ((words.cflag & PARENB) != 0) {
        const bool odd = (words.cflag & PARODD) != 0;
        if ((words.cflag & CMSPAR) != 0) {
            parity = odd ? SERGENSIO_PARITY_MARK : SERGENSIO_PARITY_SPACE;
        } else {
            parity = odd ? SERGENSIO_PARITY_ODD : SERGENSIO_PARITY_EVEN;
        }
    }
    values[static_cast<int>(Setting::kParity)] = parity;
    values[static_cast<int>(Setting::kStopBits)] = (words.cflag & CSTOPB) != 0 ? 2 : 1;
    return values;
}

void PutValues(const SettingValues& values, TermiosWords& words)
{
    static constexpr std::uint32_t kSizes[] = {CS5, CS6, CS7, CS8};
    // RFC 2217 parity 1 none, 2 odd, 3 even, 4 mark, 5 space.
    static constexpr std::uint32_t kParities[] = {0, PARENB | PARODD, PARENB, PARENB | CMSPAR | PARODD,
                                                  PARENB | CMSPAR};
    const unsigned size = std::clamp(values[static_cast<int>(Setting::kDataSize)], 5u, 8u);
    const unsigned parity = std::clamp(values[static_cast<int>(Setting::kParity)], 1u, 5u);
    words.speed = values[static_cast<int>(Setting::kBaud)];
    words.cflag &= ~static_cast<std::uint32_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    words.cflag |= kSizes[size - 5] | kParities[parity - 1];
    if (values[static_cast<int>(Setting::kStopBits)] != 1) {
        words.cflag |= CSTOPB;
    }
}

struct FlowControl {
    unsigned outbound;
    unsigned inbound;
    bool operator==(const FlowControl&) const = default;
};

FlowControl FlowOf(const TermiosWords& words)
{
    if ((words.cflag & CRTSCTS) != 0) {
        return {SERGENSIO_FLOWCONTROL_RTS_CTS, SERGENSIO_FLOWCONTROL_RTS_CTS};
    }
    return {(words.iflag & IXON) != 0 ? SERGENSIO_FLOWCONTROL_XON_XOFF : SERGENSIO_FLOWCONTROL_NONE,
            (words.iflag & IXOFF) != 0 ? SERGENSIO_FLOWCONTROL_XON_XOFF : SERGENSIO_FLOWCONTROL_NONE};
}

// TIOCM_* bits of the modem input lines in an RFC 2217 modem state, and of those that
// changed (delta bits) since the last report.
int InputLines(unsigned state)
{
    return ((state & SERGENSIO_MODEMSTATE_CTS) != 0 ? kCts : 0) | ((state & SERGENSIO_MODEMSTATE_DSR) != 0 ? kDsr : 0) |
           ((state & SERGENSIO_MODEMSTATE_RI) != 0 ? kRing : 0) |
           ((state & SERGENSIO_MODEMSTATE_CD) != 0 ? kCarrier : 0);
}

int ChangedLines(unsigned state)
{
    return ((state & SERGENSIO_MODEMSTATE_CTS_CHANGED) != 0 ? kCts : 0) |
           ((state & SERGENSIO_MODEMSTATE_DSR_CHANGED) != 0 ? kDsr : 0) |
           ((state & SERGENSIO_MODEMSTATE_RI_CHANGED) != 0 ? kRing : 0) |
           ((state & SERGENSIO_MODEMSTATE_CD_CHANGED) != 0 ? kCarrier : 0);
}

// A connected pair of sockets: the device's handle, and the end the service thread
// writes to when bytes arrive and shuts down when the connection is lost.
class SignalPair {
public:
    SignalPair()
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds_) != 0) {
            throw SystemError("Can't create the signal of a network port", errno);
        }
    }
    ~SignalPair()
    {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    SignalPair(const SignalPair&) = delete;
    SignalPair& operator=(const SignalPair&) = delete;

    int Handle() const { return fds_[0]; }
    void Signal() const
    {
        const char byte = 1;
        ::send(fds_[1], &byte, 1, MSG_DONTWAIT | MSG_NOSIGNAL);  // a full socket signals already
    }
    void Drain() const
    {
        char bytes[256];
        while (::recv(fds_[0], bytes, sizeof bytes, MSG_DONTWAIT) > 0) {
        }
    }
    // The handle reports a hang-up from now on.
    void HangUp() const { ::shutdown(fds_[1], SHUT_RDWR); }

private:
    int fds_[2] = {-1, -1};
};

class Rfc2217Device final : public Device {
public:
    Rfc2217Device();
    Rfc2217Device(const Rfc2217Device&) = delete;
    Rfc2217Device& operator=(const Rfc2217Device&) = delete;

    // Connects and takes the server's line settings; raises ESioCommError.
    void Connect(const std::string& name, const Address& address);

    int Handle() const override { return signal_.Handle(); }
    int GetAttributes(TermiosWords& words) override;
    int SetAttributes(const TermiosWords& words) override;
    std::optional<int> ModemStatus() override;
    int SetModemLines(int lines, bool on) override;
    int WaitModemChange(int lines) override;
    void InterruptModemWait(pthread_t waiter) override;
    std::optional<LineCounters> Counters() override;
    int OutputQueue(int& count) override;
    int Purge() override;
    long Read(void* buffer, std::size_t count) override;
    long Write(const void* data, std::size_t count) override;

private:
    enum class Answers { kAll, kLost, kRefused, kMissing };

    // Sends the settings (0: only asks) and waits up to kRfc2217AnswerTime for every answer.
    Answers AskServer(const SettingValues& values);

    // Link handlers, on the link's service thread.
    void Received(const std::uint8_t* data, std::size_t count);
    void ModemStateReported(unsigned state);
    void LineStateReported(unsigned state);
    void Answered(Setting setting, int error, unsigned value);
    void Lost(const std::string& reason);

    SignalPair signal_;  // readable when bytes or line errors arrived

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string input_;
    TermiosWords words_;
    SettingValues answered_{};                           // the server's values, from its last answers
    std::array<int, Rfc2217Link::kSettings> pending_{};  // questions not yet answered
    int answerError_ = 0;
    std::optional<FlowControl> flowSent_;
    std::optional<bool> dtrSent_;
    std::optional<bool> rtsSent_;
    int outputLines_ = 0;  // DTR and RTS as set
    int inputLines_ = 0;
    bool inputLinesSeen_ = false;
    bool interruptWait_ = false;
    LineCounters counters_;
    bool lost_ = false;
    std::string lostReason_;

    Rfc2217Link link_;  // last: its thread ends before the members its handlers use
};

Rfc2217Device::Rfc2217Device()
    : link_(Rfc2217Link::Handlers{
          [this](const std::uint8_t* data, std::size_t count) { Received(data, count); },
          [this](unsigned state) { ModemStateReported(state); },
          [this](unsigned state) { LineStateReported(state); },
          [this](Setting setting, int error, unsigned value) { Answered(setting, error, value); },
          [this](const std::string& reason) { Lost(reason); },
      })
{
}

void Rfc2217Device::Connect(const std::string& name, const Address& address)
{
    if (const auto failure = link_.Connect(address.host, address.port, kRfc2217AnswerTime)) {
        throw OpenFailure(name, *failure);
    }
    const std::string within = " within " + std::to_string(kRfc2217AnswerTime.count()) + " s";
    switch (AskServer(SettingValues{})) {
    case Answers::kAll: break;
    case Answers::kLost:
        throw OpenFailure(
            name, "the server closed the connection (" + lostReason_ + "): its serial device may be missing or in use");
    case Answers::kRefused: throw OpenFailure(name, std::string("the server refused RFC 2217: ") + kNotRfc2217Advice);
    case Answers::kMissing:
        throw OpenFailure(name, "the server does not answer RFC 2217" + within + ": it is no RFC 2217 serial server (" +
                                    kNotRfc2217Advice + ")");
    }
    std::lock_guard lock(mutex_);
    words_.cflag = CREAD | CLOCAL;
    PutValues(answered_, words_);
}

Rfc2217Device::Answers Rfc2217Device::AskServer(const SettingValues& values)
{
    {
        std::lock_guard lock(mutex_);
        answerError_ = 0;
        for (int& question : pending_) {
            ++question;
        }
    }
    for (std::size_t i = 0; i < Rfc2217Link::kSettings; ++i) {
        link_.Ask(static_cast<Setting>(i), values[i]);
    }
    std::unique_lock lock(mutex_);
    const bool ended = changed_.wait_for(lock, kRfc2217AnswerTime, [this] {
        return lost_ || std::all_of(pending_.begin(), pending_.end(), [](int question) { return question == 0; });
    });
    if (lost_) {
        return Answers::kLost;
    }
    if (answerError_ == GE_NOTSUP) {
        return Answers::kRefused;
    }
    return ended && answerError_ == 0 ? Answers::kAll : Answers::kMissing;
}

// ---- Line settings

int Rfc2217Device::GetAttributes(TermiosWords& words)
{
    std::lock_guard lock(mutex_);
    if (lost_) {
        return EIO;
    }
    words = words_;
    return 0;
}

int Rfc2217Device::SetAttributes(const TermiosWords& words)
{
    const SettingValues wanted = ValuesOf(words);
    const FlowControl flow = FlowOf(words);
    bool sendSettings = false;
    bool sendFlow = false;
    {
        std::lock_guard lock(mutex_);
        if (lost_) {
            return EIO;
        }
        // The line items read back are always the server's.
        words_ = words;
        PutValues(answered_, words_);
        sendSettings = wanted != answered_;
        sendFlow = flowSent_ != flow;
        flowSent_ = flow;
    }
    if (sendFlow) {
        link_.SetFlowControl(flow.outbound, flow.inbound);
    }
    if (!sendSettings) {
        return 0;
    }
    switch (AskServer(wanted)) {
    case Answers::kAll: break;
    case Answers::kLost: return EIO;
    case Answers::kRefused: return EINVAL;
    case Answers::kMissing: return ETIMEDOUT;
    }
    std::lock_guard lock(mutex_);
    PutValues(answered_, words_);
    return answered_ == wanted ? 0 : EINVAL;  // the server kept other values
}

// ---- Modem lines

std::optional<int> Rfc2217Device::ModemStatus()
{
    std::lock_guard lock(mutex_);
    if (lost_ || !inputLinesSeen_) {
        return std::nullopt;
    }
    return inputLines_ | outputLines_;
}

int Rfc2217Device::SetModemLines(int lines, bool on)
{
    bool sendDtr = false;
    bool sendRts = false;
    {
        std::lock_guard lock(mutex_);
        if (lost_) {
            return EIO;
        }
        outputLines_ = on ? (outputLines_ | (lines & (kDtr | kRts))) : (outputLines_ & ~lines);
        // Sent only when changed: the server may never answer, and each request waits in
        // gensio for an answer for some seconds.
        sendDtr = (lines & kDtr) != 0 && dtrSent_ != on;
        sendRts = (lines & kRts) != 0 && rtsSent_ != on;
        if (sendDtr) {
            dtrSent_ = on;
        }
        if (sendRts) {
            rtsSent_ = on;
        }
    }
    if (sendDtr) {
        link_.SetDtr(on);
    }
    if (sendRts) {
        link_.SetRts(on);
    }
    return 0;
}

int Rfc2217Device::WaitModemChange(int lines)
{
    std::unique_lock lock(mutex_);
    if (!inputLinesSeen_) {
        return ENOTTY;
    }
    const LineCounters before = counters_;
    changed_.wait(lock, [&] { return interruptWait_ || lost_ || (ModemChanges(before, counters_) & lines) != 0; });
    if (std::exchange(interruptWait_, false)) {
        return EINTR;
    }
    return lost_ ? EIO : 0;
}

void Rfc2217Device::InterruptModemWait(pthread_t)
{
    {
        std::lock_guard lock(mutex_);
        interruptWait_ = true;
    }
    changed_.notify_all();
}

std::optional<LineCounters> Rfc2217Device::Counters()
{
    std::lock_guard lock(mutex_);
    if (lost_) {
        return std::nullopt;
    }
    return counters_;
}

// ---- Queues and data

// Also once the connection is lost: the bytes handed over before may have reached the
// server, and a write must not count them as never sent.
int Rfc2217Device::OutputQueue(int& count)
{
    count = static_cast<int>(link_.Unsent());
    return 0;
}

int Rfc2217Device::Purge()
{
    signal_.Drain();
    {
        std::lock_guard lock(mutex_);
        if (lost_) {
            return EIO;
        }
        input_.clear();
    }
    link_.Purge();
    return 0;
}

long Rfc2217Device::Read(void* buffer, std::size_t count)
{
    signal_.Drain();
    std::lock_guard lock(mutex_);
    if (input_.empty()) {
        return lost_ ? -EIO : -EAGAIN;
    }
    const std::size_t taken = std::min(count, input_.size());
    input_.copy(static_cast<char*>(buffer), taken);
    input_.erase(0, taken);
    return static_cast<long>(taken);
}

long Rfc2217Device::Write(const void* data, std::size_t count)
{
    {
        std::lock_guard lock(mutex_);
        if (lost_) {
            return -EIO;
        }
    }
    link_.Send(static_cast<const std::uint8_t*>(data), count);
    return static_cast<long>(count);
}

// ---- What the server sends

void Rfc2217Device::Received(const std::uint8_t* data, std::size_t count)
{
    {
        std::lock_guard lock(mutex_);
        const bool marked = (words_.iflag & PARMRK) != 0 && (words_.iflag & ISTRIP) == 0;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t size = marked && data[i] == kMarkByte ? 2 : 1;
            if (input_.size() + size > kInputLimit) {
                ++counters_.bufferOverrun;
                break;
            }
            input_.append(size, static_cast<char>(data[i]));
        }
    }
    signal_.Signal();
}

void Rfc2217Device::ModemStateReported(unsigned state)
{
    {
        std::lock_guard lock(mutex_);
        const int lines = InputLines(state);
        const int changed = (lines ^ inputLines_) | ChangedLines(state);
        counters_.cts += (changed & kCts) != 0 ? 1 : 0;
        counters_.dsr += (changed & kDsr) != 0 ? 1 : 0;
        counters_.ring += (changed & kRing) != 0 ? 1 : 0;
        counters_.carrier += (changed & kCarrier) != 0 ? 1 : 0;
        inputLines_ = lines;
        inputLinesSeen_ = inputLinesSeen_ || lines != 0;
    }
    changed_.notify_all();
}

void Rfc2217Device::LineStateReported(unsigned state)
{
    {
        std::lock_guard lock(mutex_);
        counters_.overrun += (state & SERGENSIO_LINESTATE_OVERRUN_ERR) != 0 ? 1 : 0;
        counters_.parity += (state & SERGENSIO_LINESTATE_PARITY_ERR) != 0 ? 1 : 0;
        counters_.frame += (state & SERGENSIO_LINESTATE_FRAMING_ERR) != 0 ? 1 : 0;
        counters_.brk += (state & SERGENSIO_LINESTATE_BREAK) != 0 ? 1 : 0;
    }
    signal_.Signal();
}

void Rfc2217Device::Answered(Setting setting, int error, unsigned value)
{
    {
        std::lock_guard lock(mutex_);
        int& question = pending_[static_cast<std::size_t>(setting)];
        question = std::max(question - 1, 0);
        if (error != 0) {
            answerError_ = error;
        } else {
            answered_[static_cast<std::size_t>(setting)] = value;
        }
    }
    changed_.notify_all();
}

void Rfc2217Device::Lost(const std::string& reason)
{
    {
        std::lock_guard lock(mutex_);
        lost_ = true;
        lostReason_ = reason;
    }
    changed_.notify_all();
    signal_.HangUp();
}

}  // namespace

bool IsRfc2217Name(std::string_view name)
{
    return name.starts_with(kRfc2217Scheme);
}

std::unique_ptr<Device> OpenRfc2217(const std::string& name)
{
    const std::optional<Address> address =
        IsRfc2217Name(name) ? ParseAddress(std::string_view(name).substr(kRfc2217Scheme.size())) : std::nullopt;
    if (!address) {
        throw OpenFailure(name, "a network port is named rfc2217://HOST:PORT, with a port number from 1 to 65535");
    }
    auto device = std::make_unique<Rfc2217Device>();
    device->Connect(name, *address);
    return device;
}

}  // namespace torv::tty
