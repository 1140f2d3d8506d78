#pragma once
// What a window system's back end of the global hot keys implements: registering a key
// combination system-wide and reporting its presses. The hot keys (app_hot_key.h) use it;
// the X11 back end (hot_key_x11.h) and the window-only back end implement it.

#include <cstdint>
#include <functional>

namespace torv {

// A key combination as the window system registers it.
struct THotKeyCombination {
    std::uint8_t virtualKey = 0;  // 'A'-'Z', '0'-'9', 0x70-0x87 for F1-F24, ...
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool windows = false;

    bool operator==(const THotKeyCombination&) const = default;
};

// Registers combinations system-wide under identifiers and reports their presses.
class THotKeyBackEnd {
public:
    virtual ~THotKeyBackEnd() = default;
    // False when the window system refuses (taken by another program, no display).
    // On success pressed runs on the main thread for every press until Unregister.
    virtual bool Register(int id, const THotKeyCombination& combination, std::function<void()> pressed) = 0;
    virtual void Unregister(int id) = 0;
};

}  // namespace torv
