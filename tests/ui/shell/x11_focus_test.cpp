// Taking the keyboard focus back on an X server without a window manager, after
// another program took it: what a second copy asks of the first.
#include "ui/shell/x11_focus.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTest>
#include <QWidget>

#ifdef TORV_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace torv {
namespace {

#ifdef TORV_HAVE_XCB
xcb_window_t FocusOf(xcb_connection_t* connection)
{
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    const xcb_window_t focus = reply != nullptr ? reply->focus : XCB_NONE;
    std::free(reply);
    return focus;
}

TEST(WindowFocusX11, FirstWindowTakesTheFocusBackFromAnotherProgram)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server";
    QWidget window;
    window.resize(120, 80);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    xcb_connection_t* ours = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();

    // Another program maps a window of its own and takes the focus now.
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    ASSERT_EQ(xcb_connection_has_error(other), 0);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(other)).data;
    const xcb_window_t otherWindow = xcb_generate_id(other);
    xcb_create_window(other, XCB_COPY_FROM_PARENT, otherWindow, screen->root, 300, 0, 50, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(other, otherWindow);
    xcb_set_input_focus(other, XCB_INPUT_FOCUS_PARENT, otherWindow, XCB_CURRENT_TIME);
    ASSERT_EQ(FocusOf(other), otherWindow);

    window.raise();
    window.activateWindow();
    TakeX11InputFocus(&window);
    EXPECT_TRUE(QTest::qWaitFor([&] { return FocusOf(ours) == window.winId(); }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isActiveWindow(); }, 2000));
    xcb_disconnect(other);
}
#endif

TEST(WindowFocus, NothingHappensForAWindowNotShown)
{
    QWidget window;
    TakeX11InputFocus(&window);
    TakeX11InputFocus(nullptr);
    EXPECT_FALSE(window.testAttribute(Qt::WA_WState_Created));  // no native window was made for it
}

}  // namespace
}  // namespace torv
