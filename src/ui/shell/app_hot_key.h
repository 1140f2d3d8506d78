#pragma once
// System-wide hot keys (Ctrl+R, Ctrl+W of the main window). TAppHotKey holds the
// combination and its handler; a THotKeyBackEnd registers it with the window system
// (X11 through xcb where available) or refuses it, in which case the hot key stays
// inactive without a message.

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "ui/shell/hot_key_back_end.h"

class QShortcut;
class QWidget;

namespace torv {

// 16-bit shortcut: virtual key in the low byte plus the modifier bits below.
using TShortCut = std::uint16_t;
constexpr TShortCut kShiftBit = 0x2000;
constexpr TShortCut kCtrlBit = 0x4000;
constexpr TShortCut kAltBit = 0x8000;

// The combination the window system registers for a shortcut.
THotKeyCombination SplitShortCut(TShortCut shortCut, bool windowsKey);

// The window system's back end: X11 when the application runs on xcb, otherwise
// one that refuses every combination. Needs a QGuiApplication; lives as long as it.
THotKeyBackEnd& PlatformHotKeyBackEnd();

// A back end whose combinations act only while one window is the active window, for a
// desktop user who keeps the keys for other programs. Key codes without a Qt key
// (anything but letters, digits and F1 to F24) are refused.
class TWindowHotKeyBackEnd final : public THotKeyBackEnd {
public:
    explicit TWindowHotKeyBackEnd(QWidget* window);
    ~TWindowHotKeyBackEnd() override;
    bool Register(int id, const THotKeyCombination& combination, std::function<void()> pressed) override;
    void Unregister(int id) override;

private:
    QWidget* window_;
    std::map<int, std::unique_ptr<QShortcut>> shortcuts_;
};

// Its registration ends with it, so the back end never reports a press to a
// destroyed hot key.
class TAppHotKey : public QObject {
    Q_OBJECT

public:
    explicit TAppHotKey(THotKeyBackEnd& backEnd = PlatformHotKeyBackEnd(), QObject* parent = nullptr);
    ~TAppHotKey() override;

    // True while the combination is registered; a refused registration leaves it false.
    bool Active() const { return id_ != 0; }
    void SetActive(bool active);
    TShortCut HotKey() const { return hotKey_; }
    void SetHotKey(TShortCut hotKey);
    bool WindowsKey() const { return windowsKey_; }
    void SetWindowsKey(bool windowsKey);
    // The identifier of the registration, 0 while inactive.
    int Id() const { return id_; }

signals:
    void OnHotKey(TAppHotKey* sender);
    // Raised when a registration is refused; a handler connected directly may change
    // hotKey, and the registration is then tried again with the new combination.
    void OnHotKeyRegisterFailed(TAppHotKey* sender, TShortCut& hotKey);

private:
    void Register();
    void Unregister();
    void ReRegister();

    THotKeyBackEnd& backEnd_;
    TShortCut hotKey_ = 0;
    bool windowsKey_ = false;
    int id_ = 0;
};

}  // namespace torv
