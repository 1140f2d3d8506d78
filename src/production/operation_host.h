#pragma once
// What an exchange host keeps of each operation where nobody watches a window: how it
// came to rest, the last status text and prompt, whether the adapter locked writing and
// whether a damaged block was taken; and a wait for the rest. Front ends add how messages
// are told and prompts answered (torvctl's terminal, a production station).

#include <functional>
#include <optional>
#include <string>

#include "exchange/exchange_host.h"

namespace torv {

class OperationHost : public ExchangeHost {
public:
    void ShowParameters() override {}
    void ShowDeviceInfo() override {}
    void SetControlState(ControlState state) override;
    void DisableWrite() override { writeLocked_ = true; }
    void ShowStatusText(const std::string& text) override { lastStatus_ = text; }

    // Starts an operation: busy, and nothing told yet.
    void Begin();
    // Runs the calling thread's events until the exchange has come to rest (success or
    // abort), or until stop says so.
    void WaitUntilIdle(const std::function<bool()>& stop = {});
    bool Busy() const { return state_ == ControlState::Busy; }
    bool WriteLocked() const { return writeLocked_; }
    // The last prompt with Retry and Cancel shown in this operation.
    const std::optional<Message>& LastPrompt() const { return lastPrompt_; }
    // The damaged-data prompt's Cancel took the block as read.
    bool DamagedBlockTaken() const { return damagedTaken_; }

protected:
    ControlState State() const { return state_; }
    const std::string& LastStatus() const { return lastStatus_; }
    void NotePrompt(const Message& prompt) { lastPrompt_ = prompt; }
    void NoteDamagedBlockTaken(bool taken) { damagedTaken_ = taken; }

private:
    ControlState state_ = ControlState::Busy;
    bool writeLocked_ = false;
    bool damagedTaken_ = false;
    std::string lastStatus_;
    std::optional<Message> lastPrompt_;
};

}  // namespace torv
