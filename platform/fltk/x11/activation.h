// Asking the window manager to make a newly shown window the active one (EWMH _NET_ACTIVE_WINDOW),
// with a time of the X server's: a request stamped 0 is one that window managers are told to
// distrust, and mutter logs it as a buggy client's.
#ifndef ZAHLIX_PLATFORM_FLTK_X11_ACTIVATION_H
#define ZAHLIX_PLATFORM_FLTK_X11_ACTIVATION_H

#include <X11/Xlib.h>

namespace fltkhost {

// Whether the running window manager lists _NET_ACTIVE_WINDOW among what it supports.
bool OffersActivation(Display *display);

// For a mapped window of ours that selects PropertyChangeMask: takes the server's time from a
// property change of its own and asks, as the application, for the window to become active.
void RequestActivation(Display *display, Window window);

} // namespace fltkhost

#endif
