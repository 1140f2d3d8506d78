#pragma once
// The exchange over a real pseudo-terminal line, against the emulated adapter.

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "emulator/adapter_emulator.h"
#include "event_loop.h"
#include "exchange/programming_exchange.h"
#include "exchange/sio_exchange_port.h"
#include "exchange/timing.h"
#include "exchange_fakes.h"
#include "serial/sio_comm.h"

namespace torv::testing::exchange_line {

inline std::vector<AdapterCommand> CommandsOf(const AdapterEmulator& emulator)
{
    std::vector<AdapterCommand> commands;
    for (const ReceivedCommand& c : emulator.Commands())
        commands.push_back(c.command);
    return commands;
}

// ThreadSanitizer slows every thread several times over, the emulator's and the port's
// included: under it the line tests speed their pauses and time-outs up a quarter as much.
#ifdef __SANITIZE_THREAD__
constexpr int kSanitizerSlowdown = 4;
#else
constexpr int kSanitizerSlowdown = 1;
#endif

class ExchangeLineTest : public ::testing::Test {
protected:
    // The pauses and time-outs run twenty times faster unless a test asks for the real ones.
    explicit ExchangeLineTest(int timingDivisor = 20)
    {
        timing::SetDivisorForTesting(std::max(1, timingDivisor / kSanitizerSlowdown));
    }
    ~ExchangeLineTest() override
    {
        exchange.Shutdown();
        timing::SetDivisorForTesting(1);
    }

    // bytePeriod 0 answers at once; AdapterEmulator::kLineBytePeriod paces at 2400 bit/s.
    void StartEmulator(const TransmitterContents& contents = MakeContents(), std::chrono::microseconds bytePeriod = {})
    {
        emulator = std::make_unique<AdapterEmulator>(contents, bytePeriod);
        emulator->Start();
        ApplyProgrammerPortSettings(comm);
        ConnectPortEvents(comm, exchange);
        exchange.SetPortDevicePath(emulator->SlavePath());
    }

    // Runs the exchange until it comes to rest; success, or what came up instead.
    // Runs the exchange until it comes to rest, waiting at most ms.
    ::testing::AssertionResult Finish(int ms = 5000)
    {
        if (!RunUntil([&] { return host.states.back() != ControlState::Busy; }, ms))
            return ::testing::AssertionFailure() << "still busy";
        if (host.states.back() == ControlState::IdleAfterSuccess)
            return ::testing::AssertionSuccess();
        ::testing::AssertionResult failure = ::testing::AssertionFailure() << "ended without success";
        for (const Message& message : host.messages)
            failure << "; prompt: " << message.text;
        return failure;
    }

    ::testing::AssertionResult Read(int ms = 5000)
    {
        exchange.StartRead();
        return Finish(ms);
    }

    ::testing::AssertionResult Write(const ParameterBlock& block)
    {
        host.SetControlState(ControlState::Busy);
        exchange.StartWrite(block);
        return Finish();
    }

    std::unique_ptr<AdapterEmulator> emulator;
    TSioComm comm;
    SioExchangePort line{comm};
    testing::FakeHost host;
    ProgrammingExchange exchange{host, line};
};

}  // namespace torv::testing::exchange_line
