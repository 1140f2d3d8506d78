#include "ui/shell/x11_focus.h"

#include <QWidget>

#ifdef TORV_HAVE_XCB

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace torv {
namespace {

// A window manager that follows the desktop conventions names its check window on the root.
bool WindowManagerRunning(xcb_connection_t* connection, xcb_window_t root)
{
    static const char kCheck[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, std::strlen(kCheck), kCheck), nullptr);
    if (atom == nullptr)
        return false;
    const xcb_atom_t checkAtom = atom->atom;
    std::free(atom);
    if (checkAtom == XCB_ATOM_NONE)
        return false;  // the name was never interned: no window manager set it
    xcb_get_property_reply_t* property = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, checkAtom, XCB_ATOM_WINDOW, 0, 1), nullptr);
    const bool running = property != nullptr && xcb_get_property_value_length(property) > 0;
    std::free(property);
    return running;
}

}  // namespace

void TakeX11InputFocus(QWidget* window)
{
    if (window == nullptr || !window->isVisible() || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    if (WindowManagerRunning(connection, root))
        return;
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, static_cast<xcb_window_t>(window->winId()),
                        XCB_CURRENT_TIME);
    xcb_flush(connection);
}

}  // namespace torv

#else

namespace torv {

void TakeX11InputFocus(QWidget*) {}

}  // namespace torv

#endif  // TORV_HAVE_XCB
