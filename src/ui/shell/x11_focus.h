#pragma once

class QWidget;

namespace torv {

// Gives the keyboard focus to a shown top-level window on an X11 display without a
// window manager. Qt's own activation request there carries the time of the last X
// event this program saw, which the server ignores once another program has taken the
// focus later; the request made here carries the server's current time. With a window
// manager (or on another platform) activation stays the window manager's business and
// nothing happens here.
void TakeX11InputFocus(QWidget* window);

}  // namespace torv
