// List properties of 32-bit items, and new values of a property.
#include "platform/fltk/x11/x_property.h"

namespace fltkhost {

std::vector<unsigned long> ListProperty(Display *display, Window window, Atom property, Atom type, bool remove)
{
    Atom actual = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    std::vector<unsigned long> items;
    if (XGetWindowProperty(display, window, property, 0, 4096, remove ? True : False, type, &actual, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && actual == type && format == 32) {
        const auto *first = reinterpret_cast<const unsigned long *>(data);
        items.assign(first, first + count);
    }
    if (data != nullptr)
        XFree(data);
    return items;
}

bool IsNewValueOf(const XEvent &event, Window window, Atom property)
{
    return event.type == PropertyNotify && event.xproperty.window == window && event.xproperty.atom == property &&
           event.xproperty.state == PropertyNewValue;
}

// Xlib's predicate type fixes the parameters' types.
// NOLINTNEXTLINE(readability-non-const-parameter)
Bool IsNewValue(Display * /*display*/, XEvent *event, XPointer wanted)
{
    const auto *property = reinterpret_cast<const PropertyWanted *>(wanted);
    return static_cast<Bool>(IsNewValueOf(*event, property->window, property->atom));
}

} // namespace fltkhost
