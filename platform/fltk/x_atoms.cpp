// Atom list properties.
#include "platform/fltk/x_atoms.h"

#include <X11/Xatom.h>

namespace fltkhost {

std::vector<Atom> AtomListProperty(Display *display, Window window, Atom property, bool remove)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    std::vector<Atom> atoms;
    if (XGetWindowProperty(display, window, property, 0, 4096, remove ? True : False, XA_ATOM, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && type == XA_ATOM && format == 32) {
        const auto *items = reinterpret_cast<const Atom *>(data);
        atoms.assign(items, items + count);
    }
    if (data != nullptr)
        XFree(data);
    return atoms;
}

} // namespace fltkhost
