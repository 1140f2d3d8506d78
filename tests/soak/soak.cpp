// Fault soak: read and write cycles of the programming exchange over a real
// pseudo-terminal against the emulated adapter, with random faults on the line and
// random operator answers, the pauses scaled down. After every cycle the exchange must
// have come to rest (idle, no reply awaited) and the transmitter must hold the block
// last reported as written, or one that a write since then sent; at the end the open
// file descriptors and threads must be back to their starting count and the resident
// memory must not have grown.
//
//   soak --cycles 500 --seed 7        the long run; a failure names its seed and cycle
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QTimer>

#include "emulator/adapter_emulator.h"
#include "event_loop.h"
#include "exchange/exchange_texts.h"
#include "exchange/programming_exchange.h"
#include "exchange/sio_exchange_port.h"
#include "exchange/timing.h"
#include "serial/sio_comm.h"

namespace torv {
namespace {

using testing::ProcessEventsFor;
using testing::RunUntil;

constexpr int kTimingDivisor = 25;       // response time-out 200 ms, info pause 60 ms
constexpr int kPromptsBeforeCancel = 6;  // an operator who keeps answering Retry gives up
constexpr int kCycleDeadlineMs = 60000;  // far beyond the longest legitimate cycle
#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's own bookkeeping grows with every port opened (each starts a thread):
// about 9 MB over 500 cycles. Leaks themselves are LeakSanitizer's job at exit.
constexpr long kMemoryMarginKb = 32 * 1024;
#else
constexpr long kMemoryMarginKb = 8 * 1024;
#endif

struct Options {
    int cycles = 40;
    std::uint32_t seed = 1;
};

Options ParseOptions(const QStringList& args)
{
    Options options;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        bool ok = false;
        const unsigned value = args[i + 1].toUInt(&ok);
        if (ok && args[i] == "--cycles")
            options.cycles = static_cast<int>(value);
        else if (ok && args[i] == "--seed")
            options.seed = value;
        else
            throw std::invalid_argument("usage: soak [--cycles N] [--seed S]");
    }
    if (args.size() % 2 == 0)
        throw std::invalid_argument("usage: soak [--cycles N] [--seed S]");
    return options;
}

std::size_t EntriesIn(const char* directory)
{
    const auto entries = std::filesystem::directory_iterator(directory);
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The window as the exchange sees it. A message box runs the event loop for a while,
// as a real modal box does, and is answered at random.
class SoakHost : public ExchangeHost {
public:
    explicit SoakHost(std::mt19937& random) : random_(random) {}

    void ShowParameters() override {}
    void ShowDeviceInfo() override {}
    void SetControlState(ControlState newState) override
    {
        state = newState;
        writeEnabled = newState == ControlState::IdleAfterSuccess;
    }
    void DisableWrite() override { writeEnabled = false; }
    void ShowStatusText(const std::string& text) override
    {
        if (text.find(texts::kWriteSucceeded) != std::string::npos) {
            ++writeSuccesses;
            onWriteSucceeded();
        } else if (text.find(texts::kReadSucceeded) != std::string::npos) {
            ++readSuccesses;
            onReadSucceeded();
        }
    }
    Answer ShowMessage(const Message&) override
    {
        ++prompts;
        ++promptsThisCycle;
        ProcessEventsFor(std::uniform_int_distribution(0, 40)(random_));
        const bool retry = promptsThisCycle < kPromptsBeforeCancel && std::bernoulli_distribution(0.6)(random_);
        return retry ? Answer::Retry : Answer::Cancel;
    }

    ControlState state = ControlState::IdleAfterAbort;
    bool writeEnabled = false;
    int readSuccesses = 0;
    int writeSuccesses = 0;
    int prompts = 0;
    int promptsThisCycle = 0;
    std::function<void()> onWriteSucceeded;
    std::function<void()> onReadSucceeded;

private:
    std::mt19937& random_;
};

enum class Fault {
    None,
    Silence,
    Nak,
    WrongType,
    BadCrc,
    CorruptReadBack,
    Split,
    WrongIdentification,
    Flood,
    Stray,
    HangUp
};
constexpr int kFaultKinds = static_cast<int>(Fault::HangUp) + 1;

const char* FaultName(Fault fault)
{
    static const char* const kNames[] = {"none",  "silence",  "nak",   "wrong-type", "bad-crc", "corrupt-read-back",
                                         "split", "wrong-id", "flood", "stray",      "hang-up"};
    return kNames[static_cast<int>(fault)];
}

class Soak {
public:
    explicit Soak(std::uint32_t seed) : random_(seed) {}
    // Closes the port while the exchange that its pending notifications reach still exists.
    ~Soak() { exchange_.Shutdown(); }
    Soak(const Soak&) = delete;
    Soak& operator=(const Soak&) = delete;

    void Run(int cycles)
    {
        emulator_->Start();
        ApplyProgrammerPortSettings(comm_);
        ConnectPortEvents(comm_, exchange_);
        exchange_.SetPortDevicePath(emulator_->SlavePath());
        lastReported_ = emulator_->StoredBlock();
        host_.onWriteSucceeded = [this] { WriteSucceeded(); };
        host_.onReadSucceeded = [this] { ReadSucceeded(); };

        for (int cycle = 1; cycle <= cycles; ++cycle) {
            cycle_ = cycle;
            RunCycle();
            if (cycle == std::min(20, cycles))
                warmResidentKb_ = ResidentKb();
        }
        endResidentKb_ = ResidentKb();
    }

    void Report() const
    {
        std::printf("soak: %d cycles (%d reads, %d writes), %d read and %d write successes, %d prompts\n", cycle_,
                    reads_, writes_, host_.readSuccesses, host_.writeSuccesses, host_.prompts);
        std::printf("soak: faults:");
        for (int kind = 0; kind < kFaultKinds; ++kind)
            std::printf(" %s %d", FaultName(static_cast<Fault>(kind)), faultCounts_[kind]);
        std::printf("\nsoak: VmRSS after warm-up %ld kB, at the end %ld kB\n", warmResidentKb_, endResidentKb_);
    }

    long ResidentGrowthKb() const { return endResidentKb_ - warmResidentKb_; }

private:
    [[noreturn]] void Fail(const std::string& what) const
    {
        throw Failure("cycle " + std::to_string(cycle_) + ": " + what);
    }

    int Uniform(int low, int high) { return std::uniform_int_distribution(low, high)(random_); }
    // Between low and high bytes of line noise.
    std::vector<std::uint8_t> Garbage(int low, int high)
    {
        return GarbageBytes(static_cast<std::size_t>(Uniform(low, high)), static_cast<std::uint32_t>(random_()));
    }

    ParameterBlock RandomBlock()
    {
        const auto channel = [&] {
            return EncodedChannel{static_cast<std::uint8_t>(Uniform(0, 63)),
                                  static_cast<std::uint16_t>(Uniform(0, 1000)),
                                  static_cast<std::uint16_t>(Uniform(370, 430))};
        };
        return BuildParameterBlock(SynthMode::Legacy, false, Uniform(0, 1) == 1, channel(), channel());
    }

    // Checked at the moment the success is reported, before anything else can change the line.
    void WriteSucceeded()
    {
        if (emulator_->StoredBlock() != exchange_.Block())
            Fail("a write was reported as successful but the transmitter holds another block");
        lastReported_ = exchange_.Block();
        sentSinceReport_.clear();
    }

    void ReadSucceeded()
    {
        // A corrupted read-back fault may also hit a read's reply, in a copy or an unused
        // record that the block check does not cover: that read shows what the line gave.
        if (fault_ != Fault::CorruptReadBack && emulator_->StoredBlock() != exchange_.Block())
            Fail("a read was reported as successful but shows another block than the transmitter holds");
    }

    void RunCycle()
    {
        host_.promptsThisCycle = 0;
        const Fault fault = static_cast<Fault>(Uniform(0, kFaultKinds - 1));
        fault_ = fault;
        ++faultCounts_[static_cast<int>(fault)];
        ArmFault(fault);

        const bool write = host_.writeEnabled && Uniform(0, 1) == 1;
        if (write) {
            ++writes_;
            const ParameterBlock block = RandomBlock();
            sentSinceReport_.insert(block);
            host_.SetControlState(ControlState::Busy);
            exchange_.StartWrite(block);
        } else {
            ++reads_;
            exchange_.StartRead();
        }
        AwaitRest();

        const ParameterBlock stored = emulator_->StoredBlock();
        if (stored != lastReported_ && !sentSinceReport_.count(stored))
            Fail("the transmitter holds a block that was neither reported as written nor sent since");

        emulator_->SetFaults(EmulatorFaults{});
        if (emulator_->SlavePath().empty()) {
            emulator_->Reopen();
            exchange_.ChangePort(emulator_->SlavePath());
        }
    }

    void ArmFault(Fault fault)
    {
        static const AdapterCommand kCommands[] = {AdapterCommand::Identify, AdapterCommand::SelectType,
                                                   AdapterCommand::InfoRequest, AdapterCommand::ParamRequest,
                                                   AdapterCommand::ParamWrite};
        EmulatorFaults faults;
        const AdapterCommand command = kCommands[Uniform(0, 4)];
        switch (fault) {
        case Fault::None: break;
        case Fault::Silence: faults.silent[command] = Uniform(1, 2); break;
        case Fault::Nak: faults.nakCount = Uniform(1, 6); break;
        case Fault::WrongType:
            faults.wrongTypeCount = Uniform(1, 6);
            faults.wrongType = static_cast<std::uint8_t>(Uniform(0, 1) ? 0 : Uniform(16, 255));
            break;
        case Fault::BadCrc: faults.badCrcCount = Uniform(1, 6); break;
        case Fault::CorruptReadBack:
            faults.corruptReadbackCount = Uniform(1, 6);
            faults.corruptByte = static_cast<std::size_t>(Uniform(0, 31));
            break;
        case Fault::Split: {
            const std::vector<std::size_t> pieces{static_cast<std::size_t>(Uniform(1, 6)),
                                                  static_cast<std::size_t>(Uniform(1, 6))};
            faults.split[command] = ReplySplit{pieces, std::chrono::milliseconds(Uniform(1, 30))};
            break;
        }
        case Fault::WrongIdentification:
            faults.identification = {'q', 'u', 'a', 's', 'a', 'r', '3'};
            faults.writeLock = Uniform(0, 1) == 1;
            break;
        case Fault::Flood: InjectLater(Garbage(65, 600)); break;
        case Fault::Stray: InjectLater(Garbage(1, 8)); break;
        case Fault::HangUp: Later([this] { emulator_->HangUp(); }); break;
        }
        emulator_->SetFaults(faults);
    }

    // Runs action at a random moment of the cycle; the cycle does not end before it has run.
    void Later(std::function<void()> action)
    {
        ++pendingActions_;
        QTimer::singleShot(Uniform(0, 150), &context_, [this, action = std::move(action)] {
            action();
            --pendingActions_;
        });
    }

    void InjectLater(std::vector<std::uint8_t> bytes)
    {
        Later([this, bytes = std::move(bytes)] { emulator_->Inject(bytes); });
    }

    // Waits until the exchange rests: controls idle, no reply awaited, no response timer.
    void AwaitRest()
    {
        const bool rested = RunUntil(
            [this] {
                return host_.state != ControlState::Busy && exchange_.StageNow() == ProgrammingExchange::Stage::kIdle &&
                       !exchange_.ResponseTimerArmed() && pendingActions_ == 0;
            },
            kCycleDeadlineMs);
        if (!rested) {
            const int stage = static_cast<int>(exchange_.StageNow());
            Fail("the exchange did not come to rest (stage " + std::to_string(stage) + ")");
        }
        ProcessEventsFor(Uniform(0, 20) == 0 ? 160 : 2);  // now and then let the port-close timer run
    }

    std::mt19937 random_;
    QObject context_;
    std::unique_ptr<AdapterEmulator> emulator_ = std::make_unique<AdapterEmulator>(MakeContents());
    TSioComm comm_;
    SioExchangePort line_{comm_};
    SoakHost host_{random_};
    ProgrammingExchange exchange_{host_, line_};

    Fault fault_ = Fault::None;
    int pendingActions_ = 0;
    ParameterBlock lastReported_{};
    std::set<ParameterBlock> sentSinceReport_;
    int cycle_ = 0;
    int reads_ = 0;
    int writes_ = 0;
    int faultCounts_[kFaultKinds] = {};
    long warmResidentKb_ = 0;
    long endResidentKb_ = 0;
};

}  // namespace
}  // namespace torv

int main(int argc, char** argv)
{
    using namespace torv;
    QCoreApplication app(argc, argv);
    Options options;
    try {
        options = ParseOptions(QCoreApplication::arguments());
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 2;
    }
    std::printf("soak: seed %u, %d cycles (replay: soak --cycles %d --seed %u)\n", options.seed, options.cycles,
                options.cycles, options.seed);
    std::fflush(stdout);
    timing::SetDivisorForTesting(kTimingDivisor);
    QCoreApplication::processEvents();
    // ThreadSanitizer starts a helper thread of its own with the first thread the program
    // starts: start one first, so that the counts compare the program's threads only.
    std::thread([] {}).join();
    const std::size_t fdsBefore = EntriesIn("/proc/self/fd");
    const std::size_t threadsBefore = EntriesIn("/proc/self/task");

    long growthKb = 0;
    try {
        Soak soak(options.seed);
        soak.Run(options.cycles);
        soak.Report();
        growthKb = soak.ResidentGrowthKb();
    } catch (const Failure& failure) {
        std::printf("soak: FAILED at %s (seed %u)\n", failure.what(), options.seed);
        return 1;
    }
    testing::ProcessEventsFor(50);  // deferred deletions of the closed port

    const std::size_t fdsAfter = EntriesIn("/proc/self/fd");
    const std::size_t threadsAfter = EntriesIn("/proc/self/task");
    std::printf("soak: open descriptors %zu -> %zu, threads %zu -> %zu, VmRSS growth %ld kB\n", fdsBefore, fdsAfter,
                threadsBefore, threadsAfter, growthKb);
    const bool clean = fdsAfter == fdsBefore && threadsAfter == threadsBefore && growthKb <= kMemoryMarginKb;
    std::printf("soak: %d passed, %d failed\n", clean ? options.cycles : 0, clean ? 0 : 1);
    return clean ? 0 : 1;
}
