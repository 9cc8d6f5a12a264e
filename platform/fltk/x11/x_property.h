// Window properties that hold a list of 32-bit items: atoms (what a window manager supports,
// what a clipboard owner offers) or cardinals (a frame's extents); and the wait for a property's
// new value, which carries the server's time or a window manager's answer.
#ifndef ZAHLIX_PLATFORM_FLTK_X11_X_PROPERTY_H
#define ZAHLIX_PLATFORM_FLTK_X11_X_PROPERTY_H

#include <X11/Xlib.h>

#include <vector>

namespace fltkhost {

// The items of a property of the given type (XA_ATOM, XA_CARDINAL), as Xlib hands 32-bit items:
// one long each. Nothing when the property is missing or of another type or format. With
// `remove`, the property is deleted once read, as a requestor does with a selection's answer.
std::vector<unsigned long> ListProperty(Display *display, Window window, Atom property, Atom type, bool remove = false);

// Whether the event is a PropertyNotify of a new value of the window's property.
bool IsNewValueOf(const XEvent &event, Window window, Atom property);

// A property of a window whose new value XIfEvent or XCheckIfEvent waits for, with IsNewValue.
struct PropertyWanted {
    Window window;
    Atom atom;
};

// The predicate for XIfEvent and XCheckIfEvent: a PropertyNotify of a new value of the property
// that `wanted` (a PropertyWanted) names; every other event stays in the queue.
Bool IsNewValue(Display *display, XEvent *event, XPointer wanted);

} // namespace fltkhost

#endif
