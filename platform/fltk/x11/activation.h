// Asking the window manager to make a newly shown window the active one (EWMH _NET_ACTIVE_WINDOW),
// with the time of a user's action: a window manager that prevents focus stealing compares it with
// the user's later actions. A request stamped 0 is one that window managers are told to distrust,
// and mutter logs it as a buggy client's.
#ifndef ZAHLIX_PLATFORM_FLTK_X11_ACTIVATION_H
#define ZAHLIX_PLATFORM_FLTK_X11_ACTIVATION_H

#include <X11/Xlib.h>

namespace fltkhost {

// Whether the running window manager lists _NET_ACTIVE_WINDOW among what it supports.
bool OffersActivation(Display *display);

// Asks, as the application, for a mapped window of ours to become active, with the time of the
// user's action that the request answers.
void RequestActivation(Display *display, Window window, Time userTime);

} // namespace fltkhost

#endif
