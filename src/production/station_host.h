#pragma once
// The exchange's host at a station of a production line, where nobody is asked: prompts
// are answered as unattended_answers.h says, and how each operation came to rest is kept.

#include <functional>
#include <optional>
#include <string>

#include "exchange/exchange_host.h"

namespace torv {

class StationHost : public ExchangeHost {
public:
    // acceptDamaged: a block that failed its check is taken as read (the prompt's Cancel).
    explicit StationHost(bool acceptDamaged) : acceptDamaged_(acceptDamaged) {}

    void ShowParameters() override {}
    void ShowDeviceInfo() override {}
    void SetControlState(ControlState state) override;
    void DisableWrite() override { writeLocked_ = true; }
    void ShowStatusText(const std::string& text) override { lastStatus_ = text; }
    Answer ShowMessage(const Message& message) override;

    // Starts an operation: busy, and nothing told yet.
    void Begin();
    // Runs the calling thread's events until the exchange has come to rest, or until stop
    // says so.
    void WaitUntilIdle(const std::function<bool()>& stop = {});
    bool Busy() const { return state_ == ControlState::Busy; }
    // A read whose blocks passed their checks, or whose damaged block was taken.
    bool ReadCompleted() const;
    bool WriteVerified() const;
    bool DamagedBlockTaken() const { return damagedTaken_; }
    bool WriteLocked() const { return writeLocked_; }
    // The last prompt with Retry and Cancel shown in this operation.
    const std::optional<Message>& LastPrompt() const { return lastPrompt_; }

private:
    bool acceptDamaged_;
    ControlState state_ = ControlState::Busy;
    bool writeLocked_ = false;
    bool damagedTaken_ = false;
    std::string lastStatus_;
    std::optional<Message> lastPrompt_;
};

}  // namespace torv
