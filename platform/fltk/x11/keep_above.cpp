// A mapped window's state belongs to the window manager: the client asks for a change with a
// _NET_WM_STATE message to the root window, and the manager updates the window's property.
#include "platform/fltk/x11/keep_above.h"

#include <FL/x.H>

namespace fltkhost {

void RequestKeepAbove(Window window)
{
    constexpr long kAdd = 1;
    constexpr long kNormalApplication = 1;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(fl_display, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = kAdd;
    event.xclient.data.l[1] = static_cast<long>(XInternAtom(fl_display, "_NET_WM_STATE_ABOVE", False));
    event.xclient.data.l[2] = 0;
    event.xclient.data.l[3] = kNormalApplication;
    XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
    XFlush(fl_display);
}

} // namespace fltkhost
