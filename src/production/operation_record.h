#pragma once
// Gathering one operation's journal row while the exchange runs: a host that stands
// between the exchange and the window (or torvctl), passes everything on and notes the
// prompts shown with their answers, and the transmitter's data before and after.

#include <functional>
#include <string>
#include <vector>

#include "device/blocks.h"
#include "exchange/exchange_host.h"
#include "journal/journal.h"

namespace torv {

class JournalingHost : public ExchangeHost {
public:
    explicit JournalingHost(ExchangeHost& host) : host_(host) {}

    // Forgets what was noted of the previous operation.
    void Begin();
    // Called each time the exchange comes to rest (success or abort), after the host.
    std::function<void(ControlState end)> OnFinished;

    // True once the exchange has taken an info block of a transmitter in this operation.
    bool InfoReached() const { return infoReached_; }
    // How the operation ended, in the journal's words, and whether that is a success:
    // "success", "prompt G: Cancel (damaged data accepted)", "prompt C: Retry; prompt I:
    // Cancel", "port busy", or the port's own error text.
    std::string Outcome(ControlState end) const;
    bool Succeeded(ControlState end) const;

    void ShowParameters() override { host_.ShowParameters(); }
    void ShowDeviceInfo() override;
    void SetControlState(ControlState state) override;
    void DisableWrite() override { host_.DisableWrite(); }
    void ShowStatusText(const std::string& text) override { host_.ShowStatusText(text); }
    void ShowStatusWarning(const std::string& text) override { host_.ShowStatusWarning(text); }
    Answer ShowMessage(const Message& message) override;
    std::string PortCauseLine(const std::string& devicePath, const PortOpenFailure& failure) override
    {
        return host_.PortCauseLine(devicePath, failure);
    }

private:
    bool DamagedDataAccepted() const;

    ExchangeHost& host_;
    std::vector<std::string> notes_;
    bool infoReached_ = false;
};

// The transmitter as a read found it: identity texts, both blocks in hex, and its
// frequencies as the "before" of the row.
void DescribeRead(JournalEntry& entry, InfoBlock info, const ParameterBlock& block);
// A write: the block sent, the block read back (when one came), and the frequencies the
// transmitter holds after it (those of the block read back, decoded for the device type
// that the read put in the row).
void DescribeWrite(JournalEntry& entry, const ParameterBlock& written, const std::optional<ParameterBlock>& readBack);

}  // namespace torv
