#include "ui/shell/hot_key_x11.h"

#ifdef TORV_HAVE_XCB

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>
#include <QPointer>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <array>
#include <cstdlib>
#include <map>
#include <memory>

namespace torv {
namespace {

constexpr xcb_keysym_t kNumLockSym = 0xFF7F;
constexpr std::uint16_t kModifierBits = 0xFF;  // leaves out the mouse-button bits

template <typename T>
struct TFreeDeleter {
    void operator()(T* pointer) const { std::free(pointer); }
};
template <typename T>
using TXcbReply = std::unique_ptr<T, TFreeDeleter<T>>;

// The X key symbol of a virtual key; 0 for keys this back end does not map.
xcb_keysym_t KeySymOfVirtualKey(std::uint8_t key)
{
    if (key >= 'A' && key <= 'Z')
        return static_cast<xcb_keysym_t>(key - 'A' + 'a');
    if (key >= '0' && key <= '9')
        return key;
    if (key >= 0x70 && key <= 0x87)  // F1-F24
        return 0xFFBEu + (key - 0x70u);
    switch (key) {
    case 0x08: return 0xFF08;  // Backspace
    case 0x09: return 0xFF09;  // Tab
    case 0x0D: return 0xFF0D;  // Return
    case 0x1B: return 0xFF1B;  // Escape
    case 0x20: return 0x0020;  // Space
    case 0x21: return 0xFF55;  // Page Up
    case 0x22: return 0xFF56;  // Page Down
    case 0x23: return 0xFF57;  // End
    case 0x24: return 0xFF50;  // Home
    case 0x25: return 0xFF51;  // Left
    case 0x26: return 0xFF52;  // Up
    case 0x27: return 0xFF53;  // Right
    case 0x28: return 0xFF54;  // Down
    case 0x2D: return 0xFF63;  // Insert
    case 0x2E: return 0xFFFF;  // Delete
    default: return 0;
    }
}

std::uint16_t ModifierMask(const THotKeyCombination& combination)
{
    std::uint16_t mask = 0;
    if (combination.shift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (combination.ctrl)
        mask |= XCB_MOD_MASK_CONTROL;
    if (combination.alt)
        mask |= XCB_MOD_MASK_1;
    if (combination.windows)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

// Grabs Ctrl+R and the like on the root window, in every NumLock/CapsLock state, and
// turns the presses into calls on the main thread.
class TX11HotKeyBackEnd final : public QObject, public THotKeyBackEnd, public QAbstractNativeEventFilter {
public:
    TX11HotKeyBackEnd(xcb_connection_t* connection, QObject* parent)
        : QObject(parent),
          connection_(connection),
          root_(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root),
          symbols_(xcb_key_symbols_alloc(connection)),
          numLockMask_(FindNumLockMask())
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~TX11HotKeyBackEnd() override
    {
        // At application exit the connection closes and the server drops the grabs.
        if (!QCoreApplication::closingDown()) {
            for (const auto& [id, grab] : grabs_)
                Ungrab(grab);
            xcb_flush(connection_);
        }
        xcb_key_symbols_free(symbols_);
    }

    bool Register(int id, const THotKeyCombination& combination, std::function<void()> pressed) override
    {
        for (const auto& [otherId, grab] : grabs_) {
            if (grab.combination == combination)
                return false;  // X would let this client grab it twice; the program may not
        }
        const xcb_keysym_t keySym = KeySymOfVirtualKey(combination.virtualKey);
        if (keySym == 0)
            return false;
        const TXcbReply<xcb_keycode_t> keyCodes(xcb_key_symbols_get_keycode(symbols_, keySym));
        if (!keyCodes || keyCodes.get()[0] == XCB_NO_SYMBOL)
            return false;
        const TGrab grab{keyCodes.get()[0], ModifierMask(combination), combination, std::move(pressed)};
        if (!GrabAllVariants(grab)) {
            Ungrab(grab);
            xcb_flush(connection_);
            return false;
        }
        grabs_.emplace(id, grab);
        return true;
    }

    void Unregister(int id) override
    {
        const auto found = grabs_.find(id);
        if (found == grabs_.end())
            return;
        Ungrab(found->second);
        xcb_flush(connection_);
        grabs_.erase(found);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_KEY_PRESS)
            return false;
        const auto* press = static_cast<const xcb_key_press_event_t*>(message);
        const std::uint16_t state = press->state & kModifierBits & ~LockBits();
        for (const auto& [id, grab] : grabs_) {
            if (grab.keyCode == press->detail && grab.modifiers == state) {
                Deliver(id);
                return true;
            }
        }
        return false;
    }

private:
    struct TGrab {
        xcb_keycode_t keyCode;
        std::uint16_t modifiers;
        THotKeyCombination combination;
        std::function<void()> pressed;
    };

    std::uint16_t LockBits() const { return static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLockMask_); }

    // The lock states a press may carry: none, CapsLock, NumLock, both.
    std::array<std::uint16_t, 4> LockVariants() const { return {0, XCB_MOD_MASK_LOCK, numLockMask_, LockBits()}; }

    // The modifier bit that NumLock sets, from the server's modifier map (0 if none).
    std::uint16_t FindNumLockMask()
    {
        const TXcbReply<xcb_keycode_t> numLockCodes(xcb_key_symbols_get_keycode(symbols_, kNumLockSym));
        const TXcbReply<xcb_get_modifier_mapping_reply_t> map(
            xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr));
        if (!numLockCodes || !map)
            return 0;
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map.get());
        const int perModifier = map->keycodes_per_modifier;
        for (int modifier = 0; modifier < 8; ++modifier) {
            for (int i = 0; i < perModifier; ++i) {
                const xcb_keycode_t code = codes[modifier * perModifier + i];
                for (const xcb_keycode_t* numLock = numLockCodes.get(); *numLock != XCB_NO_SYMBOL; ++numLock) {
                    if (code != 0 && code == *numLock)
                        return static_cast<std::uint16_t>(1u << modifier);
                }
            }
        }
        return 0;
    }

    // False when the server refuses any variant (BadAccess: another client has it).
    bool GrabAllVariants(const TGrab& grab)
    {
        std::array<xcb_void_cookie_t, 4> cookies{};
        const std::array<std::uint16_t, 4> variants = LockVariants();
        for (std::size_t i = 0; i < variants.size(); ++i) {
            cookies[i] = xcb_grab_key_checked(connection_, 0, root_, grab.modifiers | variants[i], grab.keyCode,
                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        }
        bool granted = true;
        for (const xcb_void_cookie_t cookie : cookies) {
            const TXcbReply<xcb_generic_error_t> error(xcb_request_check(connection_, cookie));
            granted = granted && !error;
        }
        return granted;
    }

    // Releases this client's grabs only; another client's grab of the key stays.
    void Ungrab(const TGrab& grab)
    {
        for (const std::uint16_t variant : LockVariants())
            xcb_ungrab_key(connection_, grab.keyCode, root_, grab.modifiers | variant);
    }

    // Runs the handler from the event loop rather than inside the event filter, and
    // only if the hot key is still registered by then.
    void Deliver(int id)
    {
        QMetaObject::invokeMethod(
            this,
            [this, id] {
                const auto found = grabs_.find(id);
                if (found == grabs_.end())
                    return;
                const std::function<void()> pressed = found->second.pressed;  // it may unregister itself
                pressed();
            },
            Qt::QueuedConnection);
    }

    xcb_connection_t* connection_;
    xcb_window_t root_;
    xcb_key_symbols_t* symbols_;
    std::uint16_t numLockMask_;
    std::map<int, TGrab> grabs_;
};

}  // namespace

THotKeyBackEnd* X11HotKeyBackEnd()
{
    static QPointer<TX11HotKeyBackEnd> backEnd;
    if (backEnd)
        return backEnd;
    if (qGuiApp == nullptr || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return nullptr;
    backEnd = new TX11HotKeyBackEnd(connection, qGuiApp);
    return backEnd;
}

}  // namespace torv

#endif  // TORV_HAVE_XCB
