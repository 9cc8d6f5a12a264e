// The DPI that the dialog is laid out for. Desktops that scale on X11 announce their scale in the
// Xft.dpi resource of the root window (GNOME, KDE Plasma, Xfce, Cinnamon); a program that follows
// it lays out its text and controls as the desktop's other programs do.
#ifndef ZAHLIX_PLATFORM_FLTK_X11_LAYOUT_DPI_H
#define ZAHLIX_PLATFORM_FLTK_X11_LAYOUT_DPI_H

#include <X11/Xlib.h>

#include <optional>
#include <string>

namespace fltkhost {

// The Xft.dpi value of a resource database's text (as the root window's RESOURCE_MANAGER holds
// it), looked up as Xft looks it up; nothing when it is not set, is not a number, or lies outside
// half to five times 96 (Windows' own range of scales) and so cannot be meant as a scale.
std::optional<double> XftDpi(const std::string &resources);

// The resource as the root window holds it now, else 96, as GTK and Windows take it: never the
// screen's physical DPI.
double LayoutDpi(Display *display);

} // namespace fltkhost

#endif
