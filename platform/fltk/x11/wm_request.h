// What a client asks of the window manager (EWMH): a message about one of its windows, sent to
// the root window, where the window manager listens; and whether it offers a request at all.
#ifndef ZAHLIX_PLATFORM_FLTK_X11_WM_REQUEST_H
#define ZAHLIX_PLATFORM_FLTK_X11_WM_REQUEST_H

#include <X11/Xlib.h>

#include <array>

namespace fltkhost {

// Sends the request `type` about `window` with its five 32-bit items, and flushes it. Where no
// window manager runs, nothing happens.
void SendWindowManagerRequest(Display *display, Window window, Atom type, const std::array<long, 5> &data = {});

// Whether the running window manager lists `atom` in _NET_SUPPORTED.
bool WindowManagerSupports(Display *display, Atom atom);

} // namespace fltkhost

#endif
