// The stage machine driven by arbitrary events: bytes arriving in any chunks, stale
// receive counts, transmit-empty notifications, time-outs, port-close ticks, port
// failures and operator answers, with the late notifications that a time-out prompt
// lets in. The exchange runs without pauses (timing divisor 0); time-outs come from
// the input, not from timers.
//
// Invariants, checked as the events happen (abort on violation):
// - the receive buffer is never asked for more than its 64 bytes at once;
// - the stage is always 0 to 7;
// - "Данные успешно обновлены." is reported only right after the block sent with the
//   last write came back unchanged in the verification read;
// - "Данные успешно считаны." is reported only for an intact block;
// - idle after an abort or a success means stage 0, and after an abort no response
//   timer, the write button disabled and no success without a new command;
// - a busy window always has a response timer running (it can never stay busy).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include <QCoreApplication>

#include "device/blocks.h"
#include "exchange/exchange_texts.h"
#include "exchange/programming_exchange.h"
#include "exchange/timing.h"
#include "exchange_fakes.h"

namespace torv {
namespace {

using testing::Bytes;

[[noreturn]] void Violation(const char* what)
{
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

void Check(bool holds, const char* what)
{
    if (!holds)
        Violation(what);
}

// The scripted port of the exchange tests, with the fuzzer's checks: it records the
// reply each notification reads and refuses a close from inside a port handler.
class FuzzPort : public testing::FakePort {
public:
    int WriteBytes(const std::uint8_t* data, int count) override
    {
        return open ? FakePort::WriteBytes(data, count) : 0;  // as the serial component does
    }
    int ReadBytes(std::uint8_t* buffer, int count) override
    {
        Check(count >= 0 && count <= ProgrammingExchange::kReceiveBufferSize, "read larger than the receive buffer");
        const int read = FakePort::ReadBytes(buffer, count);
        if (firstReadOfNotification) {
            replyRead.assign(buffer, buffer + std::max(read, 0));  // a failed read returns -1
            firstReadOfNotification = false;
        }
        return read;
    }
    void ClosePort() override
    {
        // Closing waits for the event thread, which waits for the running handler.
        Check(!(dispatching && open), "port closed from inside its own event handler: deadlock");
        FakePort::ClosePort();
    }

    // The bytes taken by the first read of the notification being handled: the reply.
    bool firstReadOfNotification = false;
    Bytes replyRead;
};

constexpr std::uint8_t kParamWrite = 0xE0;
constexpr std::uint8_t kParamRequest = 0xA0;

class Driver;

// The window as the exchange sees it, with its Read and Write buttons modelled.
class FuzzHost : public ExchangeHost {
public:
    explicit FuzzHost(Driver& driver) : driver_(driver) {}

    void ShowParameters() override;
    void ShowDeviceInfo() override;
    void SetControlState(ControlState state) override;
    void DisableWrite() override { writeEnabled = false; }
    void ShowStatusText(const std::string& text) override;
    Answer ShowMessage(const Message& message) override;

    ControlState state = ControlState::IdleAfterAbort;
    bool writeEnabled = false;

private:
    Driver& driver_;
};

class Driver {
public:
    Driver(const std::uint8_t* data, std::size_t size) : input_(data, size) {}

    void Run()
    {
        exchange_.SetPortDevicePath("/dev/ttyFUZZ");
        exchange_.SetShowStatusMessages(input_.ConsumeBool());
        while (input_.remaining_bytes() > 0) {
            Step(/*nested=*/false);
            CheckAtRest();
        }
        exchange_.Shutdown();
    }

    // One event; nested events are those a time-out prompt lets through.
    void Step(bool nested)
    {
        switch (input_.ConsumeIntegralInRange<int>(0, 10)) {
        case 0: ClickRead(nested); break;
        case 1: ClickWrite(nested); break;
        case 2: Arrive(input_.ConsumeBytes<std::uint8_t>(input_.ConsumeIntegralInRange<std::size_t>(1, 80))); break;
        case 3: Arrive(GoodReply()); break;
        case 4: Notify(input_.ConsumeIntegralInRange<int>(0, 200)); break;  // a stale count
        case 5: TxEmpty(); break;
        case 6:
            if (exchange_.ResponseTimerArmed())
                exchange_.OnResponseTimeout();
            break;
        case 7:
            if (exchange_.PortCloseTimerArmed())
                exchange_.PortCloseTimerTick();
            break;
        case 8:
            port_.failOpen = input_.ConsumeBool();
            port_.failWrite = input_.ConsumeBool();
            port_.failRead = input_.ConsumeBool();
            break;
        case 9:
            if (!nested)  // the port list stays enabled while busy; a prompt blocks it
                exchange_.ChangePort("/dev/ttyFUZZ" + std::to_string(input_.ConsumeIntegral<std::uint8_t>()));
            break;
        default: CorruptAReply(); break;
        }
        CheckStage();
    }

    Answer NextAnswer(const Message&)
    {
        CheckStage();
        const Answer answer = input_.ConsumeBool() ? Answer::Retry : Answer::Cancel;
        // Only a prompt raised outside the port handlers lets port notifications in.
        if (handlerDepth_ == 0 && promptDepth_ < 2) {
            ++promptDepth_;
            for (int n = input_.ConsumeIntegralInRange<int>(0, 3); n > 0; --n)
                Step(/*nested=*/true);
            --promptDepth_;
        }
        return answer;
    }

    void CheckStage() const { Check(exchange_.StageNow() <= ProgrammingExchange::Stage::kReadBack, "stage beyond 7"); }

    void CheckIdle(ControlState state)
    {
        Check(exchange_.StageNow() == ProgrammingExchange::Stage::kIdle, "idle controls while a reply is awaited");
        if (state == ControlState::IdleAfterAbort) {
            Check(!exchange_.ResponseTimerArmed(), "response timer left running after an abort");
            commandsAtAbort_ = port_.writes.size();
        }
    }

    // A success after an abort needs a new exchange: a command sent since.
    void CheckNewExchangeSinceAbort() const
    {
        Check(port_.writes.size() > commandsAtAbort_, "success reported for an aborted exchange");
    }

    void CheckWriteSucceeded() const
    {
        CheckNewExchangeSinceAbort();
        // The last two commands: the block written, then the verification request.
        Check(port_.writes.size() >= 2, "write success without a write");
        const Bytes& written = port_.writes[port_.writes.size() - 2];
        const Bytes& request = port_.writes.back();
        Check(written.size() == 34 && written[0] == kParamWrite, "write success without a written block");
        Check(request.size() == 2 && request[0] == kParamRequest, "write success without a verification read");
        Check(port_.replyRead.size() >= 32 && std::equal(written.begin() + 2, written.end(), port_.replyRead.begin()),
              "write success with a read-back that differs from the block sent");
        Check(std::equal(written.begin() + 2, written.end(), exchange_.Block().begin()),
              "write success for another block than the one sent");
    }

    void CheckReadSucceeded() const
    {
        CheckNewExchangeSinceAbort();
        Check(ParameterBlockIntact(exchange_.Block()), "read success with a damaged block");
    }

private:
    void ClickRead(bool nested)
    {
        if (nested || host_.state == ControlState::Busy)
            return;  // the button is disabled
        exchange_.StartRead();
    }

    void ClickWrite(bool nested)
    {
        if (nested || host_.state != ControlState::IdleAfterSuccess || !host_.writeEnabled)
            return;
        ParameterBlock block = exchange_.Block();
        if (input_.ConsumeBool()) {
            const Bytes bytes = input_.ConsumeBytes<std::uint8_t>(block.size());
            std::copy(bytes.begin(), bytes.end(), block.begin());
        }
        host_.SetControlState(ControlState::Busy);
        exchange_.StartWrite(block);
    }

    void Arrive(const Bytes& bytes)
    {
        if (bytes.empty())
            return;
        port_.input.insert(port_.input.end(), bytes.begin(), bytes.end());
        Notify(static_cast<int>(port_.input.size()));
    }

    void Notify(int count)
    {
        if (!port_.open)
            return;  // a closed port raises no notification
        ++handlerDepth_;
        port_.dispatching = true;
        port_.firstReadOfNotification = true;
        port_.replyRead.clear();
        exchange_.PortRxChar(count);
        port_.firstReadOfNotification = false;
        port_.dispatching = false;
        --handlerDepth_;
    }

    void TxEmpty()
    {
        if (!port_.open)
            return;
        port_.outputCount = input_.ConsumeBool() ? 0 : input_.ConsumeIntegralInRange<int>(1, 34);
        ++handlerDepth_;
        port_.dispatching = true;
        exchange_.PortTxEmpty();
        port_.dispatching = false;
        --handlerDepth_;
    }

    // The reply a working adapter gives to the last command, so that the input
    // reaches the later stages easily.
    Bytes GoodReply()
    {
        if (port_.writes.empty())
            return {};
        const Bytes& command = port_.writes.back();
        switch (command[0]) {
        case 0x55: return {'Q', 'u', 'a', 's', 'a', 'r', '3'};
        case 0x57: return {1, 1, 1, 1, 1};
        case 0x61: return {0x06};
        case 0x88: return {0x07, 0x12, 0x34, input_.ConsumeIntegralInRange<std::uint8_t>(13, 15), 0x01, 0x23, 12, 3};
        case kParamRequest: return LastWrittenOrStoredBlock();
        default: return {};
        }
    }

    Bytes LastWrittenOrStoredBlock() const
    {
        for (auto it = port_.writes.rbegin(); it != port_.writes.rend(); ++it)
            if ((*it)[0] == kParamWrite)
                return Bytes(it->begin() + 2, it->end());
        const ParameterBlock stored =
            BuildParameterBlock(SynthMode::Legacy, false, true, {16, 91, 400}, {48, 108, 400});
        return Bytes(stored.begin(), stored.end());
    }

    // A good reply with one byte changed.
    void CorruptAReply()
    {
        Bytes reply = GoodReply();
        if (reply.empty())
            return;
        reply[input_.ConsumeIntegralInRange<std::size_t>(0, reply.size() - 1)] ^=
            input_.ConsumeIntegralInRange<std::uint8_t>(1, 255);
        Arrive(reply);
    }

    void CheckAtRest() const
    {
        if (host_.state == ControlState::Busy)
            Check(exchange_.ResponseTimerArmed(), "busy with no response timer running: stuck for ever");
    }

    FuzzedDataProvider input_;
    FuzzHost host_{*this};
    FuzzPort port_;
    ProgrammingExchange exchange_{host_, port_};
    int handlerDepth_ = 0;
    int promptDepth_ = 0;
    std::size_t commandsAtAbort_ = 0;

    friend class FuzzHost;
};

void FuzzHost::ShowParameters()
{
    driver_.CheckStage();
}

void FuzzHost::ShowDeviceInfo()
{
    driver_.CheckStage();
}

void FuzzHost::SetControlState(ControlState newState)
{
    driver_.CheckStage();
    state = newState;
    if (newState != ControlState::Busy)
        driver_.CheckIdle(newState);
    writeEnabled = newState == ControlState::IdleAfterSuccess;
}

void FuzzHost::ShowStatusText(const std::string& text)
{
    if (text.find(texts::kWriteSucceeded) != std::string::npos)
        driver_.CheckWriteSucceeded();
    else if (text.find(texts::kReadSucceeded) != std::string::npos)
        driver_.CheckReadSucceeded();
    else
        Violation("unexpected status text");
}

Answer FuzzHost::ShowMessage(const Message& message)
{
    return driver_.NextAnswer(message);
}

}  // namespace
}  // namespace torv

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    torv::timing::SetDivisorForTesting(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    torv::Driver(data, size).Run();
    return 0;
}
