#include "serial/sio_settings.h"

namespace torv {

void TSioFlowControl::Assign(const TSioFlowControl& source)
{
    AssignBracketed([&] {
        SetOutCtsFlow(source.OutCtsFlow());
        SetOutDsrFlow(source.OutDsrFlow());
        SetControlDtr(source.ControlDtr());
        SetControlRts(source.ControlRts());
        SetXonXoffOut(source.XonXoffOut());
        SetXonXoffIn(source.XonXoffIn());
        SetDsrSensitivity(source.DsrSensitivity());
        SetTxContinueOnXoff(source.TxContinueOnXoff());
    });
}

void TSioEventChars::SetChar(Index index, std::uint8_t value)
{
    if (index < kXonChar || index > kEofChar) {
        return;
    }
    chars_[index] = value;
    Changed();
}

void TSioEventChars::Assign(const TSioEventChars& source)
{
    AssignBracketed([&] {
        for (int index = kXonChar; index <= kEofChar; ++index) {
            SetChar(static_cast<Index>(index), source.chars_[index]);
        }
    });
}

void TSioBuffers::Assign(const TSioBuffers& source)
{
    AssignBracketed([&] {
        SetReadSize(source.ReadSize());
        SetWriteSize(source.WriteSize());
        SetReadTimeout(source.ReadTimeout());
        SetWriteTimeout(source.WriteTimeout());
        SetXonLimit(source.XonLimit());
        SetXoffLimit(source.XoffLimit());
    });
}

}  // namespace torv
