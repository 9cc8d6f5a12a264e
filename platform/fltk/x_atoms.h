// Window properties that hold a list of atoms (what a window manager supports, what a clipboard
// owner offers).
#ifndef ZAHLIX_PLATFORM_FLTK_X_ATOMS_H
#define ZAHLIX_PLATFORM_FLTK_X_ATOMS_H

#include <X11/Xlib.h>

#include <vector>

namespace fltkhost {

// The atoms of a property of type ATOM, or none when it is missing or of another type. With
// `remove`, the property is deleted once read, as a requestor does with a selection's answer.
std::vector<Atom> AtomListProperty(Display *display, Window window, Atom property, bool remove = false);

} // namespace fltkhost

#endif
