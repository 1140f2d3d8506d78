#pragma once
// The X11 back end of the global hot keys: passive key grabs on the root window.

#include "ui/shell/hot_key_back_end.h"

namespace torv {

#ifdef TORV_HAVE_XCB
// The application's X11 back end, created on first use; nullptr unless the
// application runs on the xcb platform with a live connection.
THotKeyBackEnd* X11HotKeyBackEnd();
#endif

}  // namespace torv
