// Asking the window manager to keep a window above others (EWMH _NET_WM_STATE_ABOVE).
#ifndef ZAHLIX_PLATFORM_FLTK_X11_KEEP_ABOVE_H
#define ZAHLIX_PLATFORM_FLTK_X11_KEEP_ABOVE_H

#include <X11/Xlib.h>

namespace fltkhost {

// For a mapped window: the window manager sets the state, or nothing happens where none runs.
void RequestKeepAbove(Window window);

} // namespace fltkhost

#endif
