#pragma once
// The exchange's host for torvctl: messages go to the terminal, prompts are asked there
// when standard input is a terminal and answered Cancel otherwise.

#include <iosfwd>
#include <string>

#include "exchange/exchange_host.h"

namespace torv::cli {

class TerminalHost : public ExchangeHost {
public:
    TerminalHost(std::ostream& out, std::istream* answers);

    void ShowParameters() override {}
    void ShowDeviceInfo() override {}
    void SetControlState(ControlState state) override;
    void DisableWrite() override { writeLocked_ = true; }
    void ShowStatusText(const std::string& text) override;
    Answer ShowMessage(const Message& message) override;

    // Runs the event loop until the exchange has come to rest (success or abort).
    void WaitUntilIdle();
    bool Succeeded() const { return state_ == ControlState::IdleAfterSuccess; }
    bool WriteLocked() const { return writeLocked_; }

private:
    std::ostream& out_;
    std::istream* answers_;
    ControlState state_ = ControlState::Busy;
    bool writeLocked_ = false;
};

}  // namespace torv::cli
