// The server's time comes with the PropertyNotify of an empty append to a property of the
// window's own (ICCCM's way to get a timestamp without a user event): one round trip.
#include "platform/fltk/x11/activation.h"

#include "platform/fltk/x11/wm_request.h"
#include "platform/fltk/x11/x_property.h"

#include <X11/Xatom.h>

namespace fltkhost {

namespace {

Time ServerTime(Display *display, Window window)
{
    PropertyWanted wanted{window, XInternAtom(display, "_ZAHLIX_TIME", False)};
    XChangeProperty(display, window, wanted.atom, XA_INTEGER, 32, PropModeAppend, nullptr, 0);
    XEvent event{};
    XIfEvent(display, &event, IsNewValue, reinterpret_cast<XPointer>(&wanted));
    XDeleteProperty(display, window, wanted.atom);
    return event.xproperty.time;
}

} // namespace

bool OffersActivation(Display *display)
{
    return WindowManagerSupports(display, XInternAtom(display, "_NET_ACTIVE_WINDOW", False));
}

void RequestActivation(Display *display, Window window)
{
    constexpr long kFromApplication = 1;
    constexpr long kNoneOfOursActive = 0;
    const auto time = static_cast<long>(ServerTime(display, window));
    SendWindowManagerRequest(display, window, XInternAtom(display, "_NET_ACTIVE_WINDOW", False),
                             {kFromApplication, time, kNoneOfOursActive, 0, 0});
}

} // namespace fltkhost
