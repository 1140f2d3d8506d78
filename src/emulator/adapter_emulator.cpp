#include "emulator/adapter_emulator.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <future>
#include <mutex>
#include <optional>
#include <random>
#include <stdexcept>
#include <thread>
#include <utility>

#include "emulator/pseudo_terminal.h"

namespace torv {
namespace {

using TimePoint = EmulatorClock::time_point;

// A run of bytes that may not go out before its time.
struct ScheduledBytes {
    TimePoint due;
    std::vector<std::uint8_t> bytes;
};

struct ReceivedByte {
    TimePoint due;  // when it has fully arrived on the line
    std::uint8_t byte;
};

}  // namespace

class AdapterEmulator::Impl {
public:
    Impl(TransmitterContents contents, std::chrono::microseconds bytePeriod)
        : bytePeriod_(bytePeriod), replies_(contents)
    {
    }

    ~Impl()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        Wake();
        if (thread_.joinable())
            thread_.join();
    }

    void SetTrace(std::function<void(const std::string&)> trace) { trace_ = std::move(trace); }

    void Start()
    {
        std::lock_guard lock(mutex_);
        if (thread_.joinable())
            throw std::logic_error("the adapter emulator is already serving");
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
            throw std::runtime_error(std::string("cannot create the emulator's wake-up pipe: ") + std::strerror(errno));
        wakeRead_ = UniqueFd(ends[0]);
        wakeWrite_ = UniqueFd(ends[1]);
        line_ = PseudoTerminal::Open();
        slavePath_ = line_->SlavePath();
        thread_ = std::thread([this] { Serve(); });
    }

    std::string SlavePath() const
    {
        std::lock_guard lock(mutex_);
        return slavePath_;
    }

    void SetFaults(EmulatorFaults faults)
    {
        std::lock_guard lock(mutex_);
        replies_.SetFaults(std::move(faults));
    }

    EmulatorFaults Faults() const
    {
        std::lock_guard lock(mutex_);
        return replies_.Faults();
    }

    void Inject(std::vector<std::uint8_t> bytes)
    {
        Post([this, bytes = std::move(bytes)] {
            if (trace_)
                Trace("inject " + std::to_string(bytes.size()) + " bytes: " + HexText(bytes, " "));
            Schedule(bytes, ReplySplit{}, EmulatorClock::now());
        });
    }

    void HangUp()
    {
        Post([this] {
            CloseLine();
            Trace("hang-up");
        }).get();
    }

    void Reopen()
    {
        Post([this] {
            CloseLine();
            line_ = PseudoTerminal::Open();
            {
                std::lock_guard lock(mutex_);
                slavePath_ = line_->SlavePath();
            }
            Trace("line re-opened as " + line_->SlavePath());
        }).get();
    }

    TransmitterContents Contents() const
    {
        std::lock_guard lock(mutex_);
        return replies_.Contents(EmulatorClock::now());
    }

    void SetContents(const TransmitterContents& contents)
    {
        std::lock_guard lock(mutex_);
        replies_.SetContents(contents);
    }

    void QueueUnits(const std::vector<TransmitterContents>& units)
    {
        std::lock_guard lock(mutex_);
        replies_.QueueUnits(units);
    }

    void SetSwapTime(std::optional<std::chrono::milliseconds> swapTime)
    {
        std::lock_guard lock(mutex_);
        replies_.SetSwapTime(swapTime);
    }

    std::vector<ReceivedCommand> Commands() const
    {
        std::lock_guard lock(mutex_);
        return commands_;
    }

    bool WaitForCommands(std::size_t count, std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(mutex_);
        return commandsChanged_.wait_for(lock, timeout, [&] { return commands_.size() >= count; });
    }

private:
    // Runs work on the emulator's thread, which owns the line and its schedules.
    std::future<void> Post(std::function<void()> work)
    {
        std::packaged_task<void()> task(std::move(work));
        std::future<void> done = task.get_future();
        {
            std::lock_guard lock(mutex_);
            if (!thread_.joinable())
                throw std::logic_error("the adapter emulator has not been started");
            tasks_.push_back(std::move(task));
        }
        Wake();
        return done;
    }

    void Wake()
    {
        if (!wakeWrite_.Valid())
            return;
        const std::uint8_t signal = 1;
        // A full pipe already holds a wake-up, so a failed write loses nothing.
        [[maybe_unused]] const ssize_t written = ::write(wakeWrite_.Get(), &signal, 1);
    }

    void Trace(const std::string& line) const
    {
        if (trace_)
            trace_(line);
    }

    // The emulator thread's loop: take due bytes, answer, send due bytes, sleep.
    void Serve()
    {
        while (RunTasks()) {
            const TimePoint now = EmulatorClock::now();
            TakeDueBytes(now);
            SendDueBytes(now);
            WaitForWork();
        }
    }

    // False when the emulator is stopping.
    bool RunTasks()
    {
        std::deque<std::packaged_task<void()>> tasks;
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return false;
            tasks.swap(tasks_);
        }
        for (std::packaged_task<void()>& task : tasks)
            task();
        return true;
    }

    void CloseLine()
    {
        line_.reset();
        reader_.Reset();
        received_.clear();
        outgoing_.clear();
        sendBlocked_ = false;
        receiveLineFree_ = {};
        sendLineFree_ = {};
        std::lock_guard lock(mutex_);
        slavePath_.clear();
    }

    void WaitForWork()
    {
        std::array<pollfd, 2> fds{};
        fds[0] = {wakeRead_.Get(), POLLIN, 0};
        nfds_t count = 1;
        if (line_) {
            fds[1] = {line_->Master(), static_cast<short>(POLLIN | (sendBlocked_ ? POLLOUT : 0)), 0};
            count = 2;
        }
        std::optional<TimePoint> deadline;
        if (!received_.empty())
            deadline = received_.front().due;
        if (!outgoing_.empty() && !sendBlocked_)
            deadline = std::min(deadline.value_or(TimePoint::max()), outgoing_.front().due);

        timespec timeout{};
        if (deadline) {
            const auto wait = std::max(EmulatorClock::duration::zero(), *deadline - EmulatorClock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        }
        if (::ppoll(fds.data(), count, deadline ? &timeout : nullptr, nullptr) <= 0)
            return;  // time-out, or a signal: the loop looks again
        if (fds[0].revents & POLLIN)
            DrainWakeUps();
        if (count == 2) {
            if (fds[1].revents & POLLOUT)
                sendBlocked_ = false;
            if (fds[1].revents & POLLIN)
                ReadLine();
        }
    }

    void DrainWakeUps()
    {
        std::uint8_t buffer[64];
        while (::read(wakeRead_.Get(), buffer, sizeof buffer) > 0) {
        }
    }

    // Reads what the program sent; each byte occupies the line for one byte period.
    void ReadLine()
    {
        std::uint8_t buffer[256];
        for (;;) {
            const ssize_t got = ::read(line_->Master(), buffer, sizeof buffer);
            if (got <= 0)
                return;  // EAGAIN: all read
            const TimePoint now = EmulatorClock::now();
            for (ssize_t i = 0; i < got; ++i) {
                receiveLineFree_ = std::max(receiveLineFree_, now) + bytePeriod_;
                received_.push_back({receiveLineFree_, buffer[i]});
            }
        }
    }

    void TakeDueBytes(TimePoint now)
    {
        while (!received_.empty() && received_.front().due <= now) {
            const ReceivedByte received = received_.front();
            received_.pop_front();
            if (std::optional<ReceivedCommand> command = reader_.Feed(received.byte, received.due))
                Answer(*command);
        }
    }

    void SendDueBytes(TimePoint now)
    {
        while (line_ && !sendBlocked_ && !outgoing_.empty() && outgoing_.front().due <= now) {
            std::vector<std::uint8_t>& bytes = outgoing_.front().bytes;
            const ssize_t sent = ::write(line_->Master(), bytes.data(), bytes.size());
            if (sent < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK)
                    sendBlocked_ = true;  // the slave's queue is full: wait until it drains
                else if (errno != EINTR)
                    outgoing_.clear();  // the line cannot take bytes any more
                return;
            }
            bytes.erase(bytes.begin(), bytes.begin() + sent);
            if (bytes.empty())
                outgoing_.pop_front();
        }
    }

    void Answer(const ReceivedCommand& command)
    {
        AdapterReply reply;
        {
            std::lock_guard lock(mutex_);
            commands_.push_back(command);
            reply = replies_.Respond(command);
        }
        commandsChanged_.notify_all();
        TraceAnswer(command, reply);
        Schedule(reply.bytes, reply.split, command.at);
    }

    void TraceAnswer(const ReceivedCommand& command, const AdapterReply& reply) const
    {
        if (!trace_)
            return;
        if (!reply.unitChange.empty())
            Trace(reply.unitChange);
        // Appended piece by piece: GCC 12 warns falsely about "text" + std::string here.
        std::string line = "received ";
        line.append(CommandName(command.command));
        if (command.written)
            line.append(" ").append(HexText(*command.written, " "));
        if (!reply.bytes.empty())
            line.append("; reply ")
                .append(std::to_string(reply.bytes.size()))
                .append(" bytes: ")
                .append(HexText(reply.bytes, " "));
        else if (!reply.withheld.empty())
            line.append("; no reply (").append(reply.withheld).append(")");
        Trace(line);
    }

    // Queues bytes to go out from start on, after whatever is queued already: in the
    // split's pieces, and one byte per period when paced (absolute deadlines, no drift).
    void Schedule(const std::vector<std::uint8_t>& bytes, const ReplySplit& split, TimePoint start)
    {
        if (!line_)
            return;
        TimePoint due = std::max(start, sendLineFree_);
        std::size_t sent = 0;
        for (std::size_t piece = 0; sent < bytes.size(); ++piece) {
            const std::size_t left = bytes.size() - sent;
            const std::size_t size = piece < split.pieces.size() ? std::min(split.pieces[piece], left) : left;
            if (piece > 0)
                due += split.gap;
            const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(sent);
            if (bytePeriod_ == std::chrono::microseconds::zero()) {
                outgoing_.push_back({due, std::vector<std::uint8_t>(begin, begin + static_cast<std::ptrdiff_t>(size))});
            } else {
                for (auto byte = begin; byte != begin + static_cast<std::ptrdiff_t>(size); ++byte) {
                    outgoing_.push_back({due, {*byte}});
                    due += bytePeriod_;
                }
            }
            sent += size;
        }
        sendLineFree_ = due;
    }

    const std::chrono::microseconds bytePeriod_;

    // Shared with the callers' threads, under mutex_.
    mutable std::mutex mutex_;
    mutable std::condition_variable commandsChanged_;
    mutable AdapterReplies replies_;  // a queued unit may come due while it is looked at
    std::vector<ReceivedCommand> commands_;
    std::deque<std::packaged_task<void()>> tasks_;
    bool stopping_ = false;
    std::string slavePath_;
    std::thread thread_;

    // Set before the thread starts, then only read.
    std::function<void(const std::string&)> trace_;
    UniqueFd wakeRead_;
    UniqueFd wakeWrite_;

    // Owned by the emulator's thread once it runs.
    std::optional<PseudoTerminal> line_;
    CommandReader reader_;
    std::deque<ReceivedByte> received_;
    std::deque<ScheduledBytes> outgoing_;
    TimePoint receiveLineFree_{};
    TimePoint sendLineFree_{};
    bool sendBlocked_ = false;
};

AdapterEmulator::AdapterEmulator(TransmitterContents contents, std::chrono::microseconds bytePeriod)
    : impl_(std::make_unique<Impl>(contents, bytePeriod))
{
}

AdapterEmulator::~AdapterEmulator() = default;

void AdapterEmulator::SetTrace(std::function<void(const std::string&)> trace)
{
    impl_->SetTrace(std::move(trace));
}

void AdapterEmulator::Start()
{
    impl_->Start();
}

std::string AdapterEmulator::SlavePath() const
{
    return impl_->SlavePath();
}

void AdapterEmulator::SetFaults(EmulatorFaults faults)
{
    impl_->SetFaults(std::move(faults));
}

EmulatorFaults AdapterEmulator::Faults() const
{
    return impl_->Faults();
}

void AdapterEmulator::Inject(std::vector<std::uint8_t> bytes)
{
    impl_->Inject(std::move(bytes));
}

void AdapterEmulator::HangUp()
{
    impl_->HangUp();
}

void AdapterEmulator::Reopen()
{
    impl_->Reopen();
}

InfoBlock AdapterEmulator::Info() const
{
    return impl_->Contents().info;
}

ParameterBlock AdapterEmulator::StoredBlock() const
{
    return impl_->Contents().block;
}

void AdapterEmulator::SetContents(const TransmitterContents& contents)
{
    impl_->SetContents(contents);
}

void AdapterEmulator::QueueUnits(const std::vector<TransmitterContents>& units)
{
    impl_->QueueUnits(units);
}

void AdapterEmulator::SetSwapTime(std::optional<std::chrono::milliseconds> swapTime)
{
    impl_->SetSwapTime(swapTime);
}

std::vector<ReceivedCommand> AdapterEmulator::Commands() const
{
    return impl_->Commands();
}

bool AdapterEmulator::WaitForCommands(std::size_t count, std::chrono::milliseconds timeout) const
{
    return impl_->WaitForCommands(count, timeout);
}

std::vector<std::uint8_t> GarbageBytes(std::size_t count, std::uint32_t seed)
{
    std::minstd_rand generator(seed);
    std::vector<std::uint8_t> bytes(count);
    for (std::uint8_t& byte : bytes)
        byte = static_cast<std::uint8_t>(generator() & 0xFF);
    return bytes;
}

}  // namespace torv
