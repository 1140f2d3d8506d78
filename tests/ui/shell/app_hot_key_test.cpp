#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

#include "event_loop.h"
#include "ui/shell/app_hot_key.h"

#ifdef TORV_HAVE_XCB
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#endif

namespace torv {
namespace {

constexpr TShortCut kCtrlR = 16466;
constexpr TShortCut kCtrlW = 16471;
const THotKeyCombination kCtrlRCombination{'R', false, true, false, false};
const THotKeyCombination kCtrlWCombination{'W', false, true, false, false};

// Registers whatever it is not told to refuse, and presses registered combinations.
class TFakeHotKeyBackEnd final : public THotKeyBackEnd {
public:
    bool Register(int id, const THotKeyCombination& combination, std::function<void()> pressed) override
    {
        if (std::find(refused.begin(), refused.end(), combination) != refused.end())
            return false;
        registered[id] = {combination, std::move(pressed)};
        return true;
    }

    void Unregister(int id) override { registered.erase(id); }

    // False when no registration holds the combination.
    bool Press(const THotKeyCombination& combination)
    {
        for (const auto& [id, registration] : registered) {
            if (registration.combination == combination) {
                registration.pressed();
                return true;
            }
        }
        return false;
    }

    std::vector<THotKeyCombination> Registered() const
    {
        std::vector<THotKeyCombination> combinations;
        for (const auto& [id, registration] : registered)
            combinations.push_back(registration.combination);
        return combinations;
    }

    struct TRegistration {
        THotKeyCombination combination;
        std::function<void()> pressed;
    };
    std::vector<THotKeyCombination> refused;
    std::map<int, TRegistration> registered;
};

TEST(AppHotKey, ShortCutSplitsIntoKeyAndModifiers)
{
    EXPECT_EQ(SplitShortCut(kCtrlR, false), kCtrlRCombination);
    EXPECT_EQ(SplitShortCut(kCtrlW, false), kCtrlWCombination);
    EXPECT_EQ(SplitShortCut(0xE000 | 0x70, true), (THotKeyCombination{0x70, true, true, true, true}));
    EXPECT_EQ(SplitShortCut(0x2000 | '5', false), (THotKeyCombination{'5', true, false, false, false}));
}

TEST(AppHotKey, PressReachesOnHotKeyWithItsSender)
{
    TFakeHotKeyBackEnd backEnd;
    TAppHotKey read(backEnd);
    TAppHotKey write(backEnd);
    std::vector<TAppHotKey*> calls;
    QObject scope;
    const auto record = [&](TAppHotKey* sender) { calls.push_back(sender); };
    QObject::connect(&read, &TAppHotKey::OnHotKey, &scope, record);
    QObject::connect(&write, &TAppHotKey::OnHotKey, &scope, record);
    read.SetHotKey(kCtrlR);
    write.SetHotKey(kCtrlW);
    EXPECT_FALSE(read.Active());
    EXPECT_TRUE(backEnd.registered.empty()) << "registered before Active was set";

    read.SetActive(true);
    write.SetActive(true);
    ASSERT_TRUE(read.Active() && write.Active());
    EXPECT_NE(read.Id(), write.Id());
    EXPECT_TRUE(backEnd.Press(kCtrlWCombination));
    EXPECT_TRUE(backEnd.Press(kCtrlRCombination));
    EXPECT_EQ(calls, (std::vector<TAppHotKey*>{&write, &read}));
}

TEST(AppHotKey, RefusedCombinationStaysInactiveUnlessTheHandlerPicksAnother)
{
    TFakeHotKeyBackEnd backEnd;
    backEnd.refused = {kCtrlRCombination};
    TAppHotKey key(backEnd);
    key.SetHotKey(kCtrlR);
    key.SetActive(true);
    EXPECT_FALSE(key.Active());
    EXPECT_EQ(key.Id(), 0);
    EXPECT_TRUE(backEnd.registered.empty());

    int failures = 0;
    QObject scope;
    QObject::connect(&key, &TAppHotKey::OnHotKeyRegisterFailed, &scope, [&](TAppHotKey* sender, TShortCut& hotKey) {
        EXPECT_EQ(sender, &key);
        if (++failures == 1)
            hotKey = kCtrlR | kShiftBit;
    });
    key.SetActive(true);
    EXPECT_TRUE(key.Active());
    EXPECT_EQ(key.HotKey(), kCtrlR | kShiftBit);
    EXPECT_EQ(backEnd.Registered(), (std::vector{THotKeyCombination{'R', true, true, false, false}}));

    // A handler that keeps the combination gives up after one call.
    key.SetActive(false);
    key.SetHotKey(kCtrlR);
    failures = 1;
    key.SetActive(true);
    EXPECT_FALSE(key.Active());
    EXPECT_EQ(failures, 2);
}

TEST(AppHotKey, DeactivatingOrDestroyingUnregisters)
{
    TFakeHotKeyBackEnd backEnd;
    int calls = 0;
    {
        TAppHotKey key(backEnd);
        QObject::connect(&key, &TAppHotKey::OnHotKey, &key, [&] { ++calls; });
        key.SetHotKey(kCtrlR);
        key.SetActive(true);
        const int firstId = key.Id();
        key.SetActive(false);
        EXPECT_FALSE(key.Active());
        EXPECT_FALSE(backEnd.Press(kCtrlRCombination));
        EXPECT_EQ(calls, 0);

        key.SetActive(true);
        EXPECT_GT(key.Id(), firstId) << "a registration takes a new identifier";
        EXPECT_TRUE(backEnd.Press(kCtrlRCombination));
        EXPECT_EQ(calls, 1);
    }
    EXPECT_TRUE(backEnd.registered.empty());
}

TEST(AppHotKey, ChangingTheCombinationWhileActiveRegistersItAgain)
{
    TFakeHotKeyBackEnd backEnd;
    TAppHotKey key(backEnd);
    int calls = 0;
    QObject::connect(&key, &TAppHotKey::OnHotKey, &key, [&] { ++calls; });
    key.SetHotKey(kCtrlR);
    key.SetActive(true);

    key.SetHotKey(kCtrlW);
    EXPECT_TRUE(key.Active());
    EXPECT_EQ(backEnd.Registered(), (std::vector{kCtrlWCombination}));
    EXPECT_FALSE(backEnd.Press(kCtrlRCombination));
    EXPECT_TRUE(backEnd.Press(kCtrlWCombination));
    EXPECT_EQ(calls, 1);

    key.SetWindowsKey(true);
    EXPECT_EQ(backEnd.Registered(), (std::vector{THotKeyCombination{'W', false, true, false, true}}));

    // While inactive a change is only stored.
    key.SetActive(false);
    key.SetHotKey(kCtrlR);
    EXPECT_TRUE(backEnd.registered.empty());

    // A new combination that is refused leaves the key inactive.
    key.SetActive(true);
    backEnd.refused = {kCtrlWCombination};
    key.SetWindowsKey(false);
    key.SetHotKey(kCtrlW);
    EXPECT_FALSE(key.Active());
    EXPECT_TRUE(backEnd.registered.empty());
}

TEST(AppHotKey, WithoutAnX11DisplayHotKeysStayInactive)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        GTEST_SKIP() << "runs on a platform without global hot keys";
    TAppHotKey key;
    key.SetHotKey(kCtrlR);
    key.SetActive(true);
    EXPECT_FALSE(key.Active());
}

#ifdef TORV_HAVE_XCB

// The X11 tests need a display: xvfb-run -a with QT_QPA_PLATFORM=xcb.
class AppHotKeyX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs the xcb platform";
    }
};

// Waits until calls reaches wanted, then a little longer to see that no more follow.
bool WaitForCalls(const int& calls, int wanted)
{
    testing::RunUntil([&] { return calls >= wanted; }, 3000);
    testing::ProcessEventsFor(200);
    return calls == wanted;
}

bool RunXdotool(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

TEST_F(AppHotKeyX11, GrabbedPressReachesOnHotKeyInEveryLockState)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "needs xdotool";
    TAppHotKey key;
    int calls = 0;
    QObject::connect(&key, &TAppHotKey::OnHotKey, &key, [&] { ++calls; });
    key.SetHotKey(kCtrlR);
    key.SetActive(true);
    ASSERT_TRUE(key.Active());

    ASSERT_TRUE(RunXdotool({"key", "ctrl+r"}));
    EXPECT_TRUE(WaitForCalls(calls, 1));
    ASSERT_TRUE(RunXdotool({"key", "Num_Lock", "ctrl+r", "Caps_Lock", "ctrl+r", "Num_Lock", "ctrl+r", "Caps_Lock"}));
    EXPECT_TRUE(WaitForCalls(calls, 4)) << calls;
    // Other keys are not taken for it.
    ASSERT_TRUE(RunXdotool({"key", "ctrl+w", "r", "ctrl+shift+r", "ctrl+r"}));
    EXPECT_TRUE(WaitForCalls(calls, 5)) << calls;

    key.SetActive(false);
    ASSERT_TRUE(RunXdotool({"key", "ctrl+r"}));
    key.SetActive(true);
    ASSERT_TRUE(RunXdotool({"key", "ctrl+r"}));
    EXPECT_TRUE(WaitForCalls(calls, 6)) << "still grabbed while inactive: " << calls;
}

TEST_F(AppHotKeyX11, CombinationGrabbedByAnotherClientStaysInactive)
{
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    ASSERT_EQ(xcb_connection_has_error(other), 0);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(other);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, 'r');
    ASSERT_NE(codes, nullptr);
    const xcb_keycode_t r = codes[0];
    std::free(codes);
    xcb_key_symbols_free(symbols);
    xcb_generic_error_t* error = xcb_request_check(
        other, xcb_grab_key_checked(other, 0, root, XCB_MOD_MASK_CONTROL, r, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    ASSERT_EQ(error, nullptr);

    TAppHotKey key;
    key.SetHotKey(kCtrlR);
    key.SetActive(true);
    EXPECT_FALSE(key.Active());

    // A second key of this program on the same combination is refused too.
    TAppHotKey write;
    write.SetHotKey(kCtrlW);
    write.SetActive(true);
    EXPECT_TRUE(write.Active());
    TAppHotKey twin;
    twin.SetHotKey(kCtrlW);
    twin.SetActive(true);
    EXPECT_FALSE(twin.Active());

    // The other client lets go; the round trip makes sure the server has done it.
    xcb_ungrab_key(other, r, root, XCB_MOD_MASK_CONTROL);
    std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
    xcb_disconnect(other);
    key.SetActive(true);
    EXPECT_TRUE(key.Active());
}

#endif  // TORV_HAVE_XCB

}  // namespace
}  // namespace torv
