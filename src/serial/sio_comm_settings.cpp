#include "serial/sio_comm.h"

#include "serial/sio_error.h"
#include "serial/sio_threads.h"

#include <algorithm>
#include <utility>

namespace torv {

namespace {

int BitsPerSecond(TSioBaudrate baudrate, int userBaudrate)
{
    static constexpr int kRates[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                     14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    return baudrate == TSioBaudrate::brUser ? userBaudrate : kRates[static_cast<int>(baudrate)];
}

}  // namespace

// ---- Properties

void TSioCustomComm::RefuseWhileOpen() const
{
    if (IsOpen()) {
        throw ESioCommError(sio_message::kPortIsOpen);
    }
}

void TSioCustomComm::SetBaudrate(TSioBaudrate value)
{
    if (value == baudrate_) {
        return;
    }
    baudrate_ = value;
    if (value != TSioBaudrate::brUser) {
        userBaudrate_ = 0;
    }
    ApplyLineSettings();
}

void TSioCustomComm::SetUserBaudrate(int value)
{
    if (value == userBaudrate_) {
        return;
    }
    userBaudrate_ = value;
    baudrate_ = TSioBaudrate::brUser;
    ApplyLineSettings();
}

void TSioCustomComm::SetParity(TSioParity value)
{
    if (value != parity_) {
        parity_ = value;
        ApplyLineSettings();
    }
}

void TSioCustomComm::SetDatabits(TSioDatabits value)
{
    if (value != databits_) {
        databits_ = value;
        ApplyLineSettings();
    }
}

void TSioCustomComm::SetStopbits(TSioStopbits value)
{
    if (value != stopbits_) {
        stopbits_ = value;
        ApplyLineSettings();
    }
}

void TSioCustomComm::SetOptions(TSioCommOptions value)
{
    if (value != options_) {
        options_ = value;
        ApplyLineSettings();
    }
}

void TSioCustomComm::SetPortNum(int value)
{
    RefuseWhileOpen();
    portNum_ = std::max(value, 0);
}

void TSioCustomComm::SetDeviceName(const std::string& value)
{
    RefuseWhileOpen();
    deviceName_ = value;
}

void TSioCustomComm::SetMonitorEvents(TSioCommEvents value)
{
    RefuseWhileOpen();
    monitorEvents_ = value;
}

void TSioCustomComm::SetBuffers(const TSioBuffers& value)
{
    RefuseWhileOpen();
    buffers_.Assign(value);
}

void TSioCustomComm::SetDirectWrite(bool value)
{
    RefuseWhileOpen();
    directWrite_ = value;
}

void TSioCustomComm::SetUpdateDCB(bool value)
{
    RefuseWhileOpen();
    updateDcb_ = value;
}

void TSioCustomComm::SetEventPriority(TSioThreadPriority value)
{
    eventPriority_ = value;
    if (eventThread_) {
        eventThread_->SetPriority(value);
    }
}

void TSioCustomComm::SetWritePriority(TSioThreadPriority value)
{
    writePriority_ = value;
    if (writeThread_) {
        writeThread_->SetPriority(value);
    }
}

void TSioCustomComm::SetDeviceOpener(DeviceOpener opener)
{
    RefuseWhileOpen();
    openDevice_ = std::move(opener);
}

void TSioCustomComm::SetHandOverObserver(HandOverObserver observer)
{
    RefuseWhileOpen();
    handOverObserver_ = std::move(observer);
}

void TSioCustomComm::BuffersChanged()
{
    // The new value is kept for the next OpenPort; the open port cannot change it.
    if (IsOpen()) {
        throw ESioCommError(sio_message::kPortIsOpen);
    }
}

std::string TSioCustomComm::DevicePath() const
{
    if (deviceName_.starts_with('/') && !deviceName_.starts_with("/dev/")) {
        return deviceName_;  // a link made by another program (socat, say) is named exactly
    }
    std::string path = deviceName_;
    const auto placeholder = path.find("%d");
    if (placeholder != std::string::npos) {
        path.replace(placeholder, 2, std::to_string(portNum_));
    }
    return path;
}

// ---- Line settings

tty::LineSettings TSioCustomComm::CurrentLineSettings()
{
    tty::LineSettings line;
    line.baudrate = BitsPerSecond(baudrate_, userBaudrate_);
    line.parity = parity_;
    line.databits = databits_;
    line.stopbits = stopbits_;
    line.options = options_;
    line.controlDtr = flowControl_.ControlDtr();
    line.controlRts = flowControl_.ControlRts();
    line.xonXoffOut = flowControl_.XonXoffOut();
    line.xonXoffIn = flowControl_.XonXoffIn();
    line.xonChar = eventChars_.XonChar();
    line.xoffChar = eventChars_.XoffChar();
    line.errorChar = eventChars_.ErrorChar();
    line.gateOnCts = flowControl_.OutCtsFlow() && !tty::KernelHandshake(line);
    line.gateOnDsr = flowControl_.OutDsrFlow();
    return line;
}

void TSioCustomComm::ApplyLineSettings()
{
    if (!IsOpen() || !updateDcb_) {
        return;
    }
    const tty::LineSettings line = CurrentLineSettings();
    if (const int error = tty::ApplyLineSettings(*device_, line)) {
        throw SystemError(sio_message::kWritingDcb, error);
    }
    receiveRules_ = tty::ReceiveRules{true, line.options.testFlag(TSioCommOption::coErrorChar), line.errorChar,
                                      line.options.testFlag(TSioCommOption::coNullStrip)};
    std::lock_guard lock(appliedMutex_);
    applied_ = line;
}

void TSioCustomComm::TakeDeviceSettings()
{
    if (const int error = tty::MakeBinary(*device_)) {
        throw SystemError(sio_message::kWritingDcb, error);
    }
    receiveRules_ = tty::ReceiveRules{tty::MarksInput(*device_)};
    std::lock_guard lock(appliedMutex_);
    applied_ = tty::LineSettings{};  // nothing gated; timing at the default rate
}

// ---- The programmer's port

void ApplyProgrammerPortSettings(TSioCustomComm& port)
{
    port.SetBaudrate(TSioBaudrate::br2400);
    port.SetParity(TSioParity::paEven);
    port.SetDatabits(TSioDatabits::db8);
    port.SetStopbits(TSioStopbits::sb1);
    port.SetOptions(TSioCommOption::coParityCheck);
    TSioFlowControl flow;
    flow.SetOutCtsFlow(true);
    flow.SetOutDsrFlow(false);
    flow.SetControlDtr(TSioControlDtr::dtrDisabled);
    flow.SetControlRts(TSioControlRts::rtsDisabled);
    flow.SetXonXoffOut(false);
    flow.SetXonXoffIn(false);
    flow.SetDsrSensitivity(false);
    flow.SetTxContinueOnXoff(false);
    port.SetFlowControl(flow);
    port.Buffers().SetReadTimeout(1500);
    port.Buffers().SetWriteTimeout(1500);
    port.SetDirectWrite(true);
}

}  // namespace torv
