// The server's time comes with the PropertyNotify of an empty append to a property of the
// window's own (ICCCM's way to get a timestamp without a user event): one round trip.
#include "platform/fltk/x11/activation.h"

#include "platform/fltk/x11/x_property.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <vector>

namespace fltkhost {

namespace {

struct PropertyWanted {
    Window window;
    Atom atom;
};

// Xlib's predicate type fixes the parameters' types.
// NOLINTNEXTLINE(readability-non-const-parameter)
Bool IsPropertyChange(Display * /*display*/, XEvent *event, XPointer wanted)
{
    const auto *property = reinterpret_cast<const PropertyWanted *>(wanted);
    return static_cast<Bool>(event->type == PropertyNotify && event->xproperty.window == property->window &&
                             event->xproperty.atom == property->atom);
}

Time ServerTime(Display *display, Window window)
{
    PropertyWanted wanted{window, XInternAtom(display, "_ZAHLIX_TIME", False)};
    XChangeProperty(display, window, wanted.atom, XA_INTEGER, 32, PropModeAppend, nullptr, 0);
    XEvent event{};
    XIfEvent(display, &event, IsPropertyChange, reinterpret_cast<XPointer>(&wanted));
    XDeleteProperty(display, window, wanted.atom);
    return event.xproperty.time;
}

} // namespace

bool OffersActivation(Display *display)
{
    const Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    const std::vector<unsigned long> supported =
        ListProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM);
    return std::find(supported.begin(), supported.end(), active) != supported.end();
}

void RequestActivation(Display *display, Window window)
{
    constexpr long kFromApplication = 1;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = kFromApplication;
    event.xclient.data.l[1] = static_cast<long>(ServerTime(display, window));
    event.xclient.data.l[2] = 0; // no window of ours was active
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
}

} // namespace fltkhost
