#include "ui/app_hot_key.h"

#include "ui/hot_key_x11.h"

namespace torv {
namespace {

// Stands in where the window system offers no global hot keys (offscreen, Wayland).
class TRefusingHotKeyBackEnd final : public THotKeyBackEnd {
public:
    bool Register(int, const THotKeyCombination&, std::function<void()>) override { return false; }
    void Unregister(int) override {}
};

// Identifiers are unique within the program, across all hot keys.
int NextHotKeyId()
{
    static int counter = 0;
    return ++counter;
}

}  // namespace

THotKeyCombination SplitShortCut(TShortCut shortCut, bool windowsKey)
{
    THotKeyCombination combination;
    combination.virtualKey = static_cast<std::uint8_t>(shortCut & 0xFF);
    combination.shift = (shortCut & kShiftBit) != 0;
    combination.ctrl = (shortCut & kCtrlBit) != 0;
    combination.alt = (shortCut & kAltBit) != 0;
    combination.windows = windowsKey;
    return combination;
}

THotKeyBackEnd& PlatformHotKeyBackEnd()
{
#ifdef TORV_HAVE_XCB
    if (THotKeyBackEnd* x11 = X11HotKeyBackEnd())
        return *x11;
#endif
    static TRefusingHotKeyBackEnd refusing;
    return refusing;
}

TAppHotKey::TAppHotKey(THotKeyBackEnd& backEnd) : backEnd_(backEnd) {}

TAppHotKey::~TAppHotKey()
{
    Unregister();
}

void TAppHotKey::SetActive(bool active)
{
    if (active && !Active())
        Register();
    else if (!active && Active())
        Unregister();
}

void TAppHotKey::SetHotKey(TShortCut hotKey)
{
    if (hotKey == hotKey_)
        return;
    hotKey_ = hotKey;
    ReRegister();
}

void TAppHotKey::SetWindowsKey(bool windowsKey)
{
    if (windowsKey == windowsKey_)
        return;
    windowsKey_ = windowsKey;
    ReRegister();
}

void TAppHotKey::Register()
{
    for (;;) {
        const int id = NextHotKeyId();
        const auto pressed = [this] {
            if (OnHotKey)
                OnHotKey(this);
        };
        if (backEnd_.Register(id, SplitShortCut(hotKey_, windowsKey_), pressed)) {
            id_ = id;
            return;
        }
        // Refused: only a handler that picks another combination makes it try again.
        if (!OnHotKeyRegisterFailed)
            return;
        const TShortCut refused = hotKey_;
        OnHotKeyRegisterFailed(this, hotKey_);
        if (hotKey_ == refused)
            return;
    }
}

void TAppHotKey::Unregister()
{
    if (!Active())
        return;
    backEnd_.Unregister(id_);
    id_ = 0;
}

void TAppHotKey::ReRegister()
{
    if (!Active())
        return;
    Unregister();
    Register();
}

}  // namespace torv
