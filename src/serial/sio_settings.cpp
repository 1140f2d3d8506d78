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
    if (index < Index::kXonChar || index > Index::kEofChar) {
        return;
    }
    chars_[Slot(index)] = value;
    Changed();
}

void TSioEventChars::Assign(const TSioEventChars& source)
{
    AssignBracketed([&] {
        for (int slot = Slot(Index::kXonChar); slot <= Slot(Index::kEofChar); ++slot) {
            SetChar(static_cast<Index>(slot), source.chars_[slot]);
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
