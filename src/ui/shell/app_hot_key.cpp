#include "ui/shell/app_hot_key.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

#include <optional>

#include "ui/shell/hot_key_x11.h"

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

std::optional<QKeyCombination> QtKeys(const THotKeyCombination& combination)
{
    const int vk = combination.virtualKey;
    int key = 0;
    if (vk >= 'A' && vk <= 'Z')
        key = Qt::Key_A + (vk - 'A');
    else if (vk >= '0' && vk <= '9')
        key = Qt::Key_0 + (vk - '0');
    else if (vk >= 0x70 && vk <= 0x87)
        key = Qt::Key_F1 + (vk - 0x70);
    else
        return std::nullopt;
    Qt::KeyboardModifiers modifiers;
    modifiers.setFlag(Qt::ShiftModifier, combination.shift);
    modifiers.setFlag(Qt::ControlModifier, combination.ctrl);
    modifiers.setFlag(Qt::AltModifier, combination.alt);
    modifiers.setFlag(Qt::MetaModifier, combination.windows);
    return QKeyCombination(modifiers, static_cast<Qt::Key>(key));
}

}  // namespace

TWindowHotKeyBackEnd::TWindowHotKeyBackEnd(QWidget* window) : window_(window) {}

TWindowHotKeyBackEnd::~TWindowHotKeyBackEnd() = default;

bool TWindowHotKeyBackEnd::Register(int id, const THotKeyCombination& combination, std::function<void()> pressed)
{
    const std::optional<QKeyCombination> keys = QtKeys(combination);
    if (!keys)
        return false;
    auto shortcut = std::make_unique<QShortcut>(QKeySequence(*keys), window_);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut.get(), &QShortcut::activated, window_, std::move(pressed));
    shortcuts_[id] = std::move(shortcut);
    return true;
}

void TWindowHotKeyBackEnd::Unregister(int id)
{
    shortcuts_.erase(id);
}

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

TAppHotKey::TAppHotKey(THotKeyBackEnd& backEnd, QObject* parent) : QObject(parent), backEnd_(backEnd) {}

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
        // The back end holds this only until Unregister, which the destructor calls.
        const auto pressed = [this] { emit OnHotKey(this); };
        if (backEnd_.Register(id, SplitShortCut(hotKey_, windowsKey_), pressed)) {
            id_ = id;
            return;
        }
        // Refused: only a handler that picks another combination makes it try again.
        const TShortCut refused = hotKey_;
        emit OnHotKeyRegisterFailed(this, hotKey_);
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
