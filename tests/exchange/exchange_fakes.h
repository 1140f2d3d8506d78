#pragma once
// A scripted port and window for driving the exchange without a line.

#include <deque>
#include <functional>
#include <stdexcept>
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
    void Open(const std::string& devicePath) override
    {
        if (failOpen)
            throw std::runtime_error("Specified device not found (" + devicePath + ").");
        open = true;
        openedPaths.push_back(devicePath);
    }
    void PurgeAll() override
    {
        input.clear();
        ++purges;
    }
    int WriteBytes(const std::uint8_t* data, int count) override
    {
        if (failWrite)
            throw std::runtime_error("Write error (5), Input/output error");
        writes.emplace_back(data, data + count);
        return count;
    }
    std::string ReadAllText() override
    {
        std::string text(input.begin(), input.end());
        input.clear();
        return text;
    }
    int ReadBytes(std::uint8_t* buffer, int count) override
    {
        if (failRead)
            throw std::runtime_error("Read error (5), Input/output error");
        int n = 0;
        for (; n < count && !input.empty(); ++n) {
            buffer[n] = input.front();
            input.pop_front();
        }
        return n;
    }
    int OutputCount() override { return outputCount; }
    void ClosePort() override
    {
        if (open)
            ++closes;
        open = false;
    }

    bool open = false;
    bool failOpen = false;
    bool failWrite = false;
    bool failRead = false;
    int outputCount = 0;
    int purges = 0;
    int closes = 0;
    std::deque<std::uint8_t> input;
    std::vector<Bytes> writes;
    std::vector<std::string> openedPaths;
};

class FakeHost : public ExchangeHost {
public:
    void ShowParameters() override { ++parametersShown; }
    void ShowDeviceInfo() override { ++deviceInfoShown; }
    void SetControlState(ControlState state) override { states.push_back(state); }
    void DisableWrite() override { ++writeDisabled; }
    void ShowStatusText(const std::string& text) override { statusTexts.push_back(text); }
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
    std::vector<Message> messages;
    std::deque<Answer> answers;  // Cancel once they run out
    std::function<void(const Message&)> duringMessage;
};

}  // namespace torv::testing
