#pragma once
// A scripted port and window for driving the exchange without a line.

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "exchange/exchange_host.h"
#include "exchange/exchange_port.h"
#include "exchange/programming_exchange.h"

namespace torv::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes BytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

class FakePort : public ExchangePort {
public:
    bool IsOpen() override { return open; }
    bool Open(const std::string& devicePath) override
    {
        if (failOpen) {
            Fail("Specified device not found (" + devicePath + ").");
            return false;
        }
        open = true;
        openedPaths.push_back(devicePath);
        return true;
    }
    bool PurgeAll() override
    {
        input.clear();
        ++purges;
        return true;
    }
    int WriteBytes(const std::uint8_t* data, int count) override
    {
        if (failWrite)
            return Fail("Write error (5), Input/output error");
        if (takesNothing)
            return 0;
        writes.emplace_back(data, data + count);
        return count;
    }
    int ReadBytes(std::uint8_t* buffer, int count) override
    {
        if (failRead)
            return Fail("Read error (5), Input/output error");
        int n = 0;
        for (; n < count && !input.empty(); ++n) {
            buffer[n] = input.front();
            input.pop_front();
        }
        return n;
    }
    int DropBytes(int count) override
    {
        // Drops through this port's own read: a derived port's checks on reads into the
        // receive buffer do not apply to bytes thrown away.
        std::vector<std::uint8_t> scratch(static_cast<std::size_t>(std::max(count, 0)));
        const int n = FakePort::ReadBytes(scratch.data(), count);
        dropped += std::max(n, 0);
        return n;
    }
    int OutputCount() override { return outputCount; }
    // Closing waits for the port's event thread, which waits for the running handler:
    // the serial component refuses a close from inside a handler, and so does this port.
    void ClosePort() override
    {
        if (open && dispatching) {
            ++closesRefusedInsideHandler;
            failure = "ClosePort cannot be called from inside a port event handler";
            return;
        }
        if (open)
            ++closes;
        open = false;
    }
    std::string Failure() const override { return failure; }

    bool open = false;
    bool failOpen = false;
    bool failWrite = false;
    bool takesNothing = false;  // the line takes no byte in time
    bool failRead = false;
    int outputCount = 0;
    int purges = 0;
    int closes = 0;
    int dropped = 0;
    bool dispatching = false;  // a port handler is running
    int closesRefusedInsideHandler = 0;
    std::string failure;
    std::deque<std::uint8_t> input;
    std::vector<Bytes> writes;
    std::vector<std::string> openedPaths;

private:
    int Fail(const std::string& text)
    {
        failure = text;
        return -1;
    }
};

class FakeHost : public ExchangeHost {
public:
    void ShowParameters() override { ++parametersShown; }
    void ShowDeviceInfo() override { ++deviceInfoShown; }
    void SetControlState(ControlState state) override { states.push_back(state); }
    void DisableWrite() override { ++writeDisabled; }
    void ShowStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void ShowStatusWarning(const std::string& text) override { statusWarnings.push_back(text); }
    Answer ShowMessage(const Message& message) override
    {
        messages.push_back(message);
        if (duringMessage)
            duringMessage(message);
        if (answers.empty())
            return Answer::Cancel;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    int parametersShown = 0;
    int deviceInfoShown = 0;
    int writeDisabled = 0;
    std::vector<ControlState> states;
    std::vector<std::string> statusTexts;
    std::vector<std::string> statusWarnings;
    std::vector<Message> messages;
    std::deque<Answer> answers;  // Cancel once they run out
    std::function<void(const Message&)> duringMessage;
};

}  // namespace torv::testing
