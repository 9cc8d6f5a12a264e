#include "platform/fltk/x11/wm_request.h"

#include "platform/fltk/x11/x_property.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <vector>

namespace fltkhost {

void SendWindowManagerRequest(Display *display, Window window, Atom type, const std::array<long, 5> &data)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    std::copy(data.begin(), data.end(), std::begin(event.xclient.data.l));
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
}

bool WindowManagerSupports(Display *display, Atom atom)
{
    const std::vector<unsigned long> supported =
        ListProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM);
    return std::find(supported.begin(), supported.end(), atom) != supported.end();
}

} // namespace fltkhost
