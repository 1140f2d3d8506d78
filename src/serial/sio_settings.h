#pragma once
// The component's three settings objects: handshaking, special characters, and queue
// sizes with waits and flow limits.

#include "serial/sio_classes.h"
#include "serial/sio_types.h"

#include <cstdint>

namespace torv {

class TSioFlowControl : public TSioPersistent {
public:
    bool OutCtsFlow() const { return outCtsFlow_; }
    void SetOutCtsFlow(bool value) { SetField(outCtsFlow_, value); }
    bool OutDsrFlow() const { return outDsrFlow_; }
    void SetOutDsrFlow(bool value) { SetField(outDsrFlow_, value); }
    TSioControlDtr ControlDtr() const { return controlDtr_; }
    void SetControlDtr(TSioControlDtr value) { SetField(controlDtr_, value); }
    TSioControlRts ControlRts() const { return controlRts_; }
    void SetControlRts(TSioControlRts value) { SetField(controlRts_, value); }
    bool XonXoffOut() const { return xonXoffOut_; }
    void SetXonXoffOut(bool value) { SetField(xonXoffOut_, value); }
    bool XonXoffIn() const { return xonXoffIn_; }
    void SetXonXoffIn(bool value) { SetField(xonXoffIn_, value); }
    bool DsrSensitivity() const { return dsrSensitivity_; }
    void SetDsrSensitivity(bool value) { SetField(dsrSensitivity_, value); }
    bool TxContinueOnXoff() const { return txContinueOnXoff_; }
    void SetTxContinueOnXoff(bool value) { SetField(txContinueOnXoff_, value); }

    void Assign(const TSioFlowControl& source);

private:
    bool outCtsFlow_ = false;
    bool outDsrFlow_ = false;
    TSioControlDtr controlDtr_ = TSioControlDtr::dtrDisabled;
    TSioControlRts controlRts_ = TSioControlRts::rtsDisabled;
    bool xonXoffOut_ = false;
    bool xonXoffIn_ = false;
    bool dsrSensitivity_ = false;
    bool txContinueOnXoff_ = false;
};

// The five characters share one setter, indexed 1 to 5 in declaration order. Every
// assignment counts as a change, also of an equal value. EofChar reads EventChar: the
// line's end-of-file character is taken from EventChar, the stored EofChar is unused.
class TSioEventChars : public TSioPersistent {
public:
    enum class Index { kXonChar = 1, kXoffChar, kErrorChar, kEventChar, kEofChar };

    std::uint8_t XonChar() const { return chars_[Slot(Index::kXonChar)]; }
    void SetXonChar(std::uint8_t value) { SetChar(Index::kXonChar, value); }
    std::uint8_t XoffChar() const { return chars_[Slot(Index::kXoffChar)]; }
    void SetXoffChar(std::uint8_t value) { SetChar(Index::kXoffChar, value); }
    std::uint8_t ErrorChar() const { return chars_[Slot(Index::kErrorChar)]; }
    void SetErrorChar(std::uint8_t value) { SetChar(Index::kErrorChar, value); }
    std::uint8_t EventChar() const { return chars_[Slot(Index::kEventChar)]; }
    void SetEventChar(std::uint8_t value) { SetChar(Index::kEventChar, value); }
    std::uint8_t EofChar() const { return chars_[Slot(Index::kEventChar)]; }
    void SetEofChar(std::uint8_t value) { SetChar(Index::kEofChar, value); }

    void SetChar(Index index, std::uint8_t value);
    void Assign(const TSioEventChars& source);

private:
    // The place of a character in chars_.
    static constexpr int Slot(Index index) { return static_cast<int>(index); }

    std::uint8_t chars_[6] = {0, 17, 19, 0, 0, 0};  // slot 0 unused: indices start at 1
};

// Sizes and limits are 0 to 2147483647; a negative value is taken as 0.
class TSioBuffers : public TSioPersistent {
public:
    int ReadSize() const { return readSize_; }
    void SetReadSize(int value) { SetField(readSize_, NonNegative(value)); }
    int WriteSize() const { return writeSize_; }
    void SetWriteSize(int value) { SetField(writeSize_, NonNegative(value)); }
    int XonLimit() const { return xonLimit_; }
    void SetXonLimit(int value) { SetField(xonLimit_, NonNegative(value)); }
    int XoffLimit() const { return xoffLimit_; }
    void SetXoffLimit(int value) { SetField(xoffLimit_, NonNegative(value)); }

    // Plain values, taken by the next read or write; changing them is no change of settings.
    int ReadTimeout() const { return readTimeout_; }
    void SetReadTimeout(int value) { readTimeout_ = NonNegative(value); }
    int WriteTimeout() const { return writeTimeout_; }
    void SetWriteTimeout(int value) { writeTimeout_ = NonNegative(value); }

    void Assign(const TSioBuffers& source);

private:
    static int NonNegative(int value) { return value < 0 ? 0 : value; }

    int readSize_ = 4096;
    int writeSize_ = 2048;
    int readTimeout_ = 1000;
    int writeTimeout_ = 1000;
    int xonLimit_ = 1024;
    int xoffLimit_ = 1024;
};

}  // namespace torv
