// The work area that a new window is centred in, as GTK 3 centres one and mutter places one: that
// of the monitor that holds the pointer, or of the primary monitor where the pointer is elsewhere.
#ifndef ZAHLIX_PLATFORM_FLTK_X11_WORK_AREA_H
#define ZAHLIX_PLATFORM_FLTK_X11_WORK_AREA_H

#include "platform/fltk/dialog_units.h"
#include "platform/fltk/x11/window_frame.h"

#include <X11/Xlib.h>

#include <cstddef>
#include <optional>
#include <vector>

namespace fltkhost {

// What the work area is chosen from, as read from the X server and the window manager.
struct DesktopLayout {
    PixelRect screen;                       // the whole screen, the one monitor when RandR lists none
    std::vector<PixelRect> monitors;        // RandR's monitors, in the server's order
    std::optional<std::size_t> primary;     // the one of them that RandR marks primary
    std::optional<PixelPoint> pointer;      // where the pointer is, when it is on this screen
    bool gtkWorkAreas = false;              // _NET_SUPPORTED lists _GTK_WORKAREAS
    std::vector<unsigned long> perMonitor;  // _GTK_WORKAREAS_D<current desktop>: x, y, w, h a monitor
    std::vector<unsigned long> netWorkArea; // _NET_WORKAREA: x, y, w, h a desktop
    unsigned long currentDesktop = 0;       // _NET_CURRENT_DESKTOP
};

// The monitor that holds the pointer (the first listed that does), else the primary, else the
// first listed; the screen where RandR lists no monitor.
PixelRect ChosenMonitor(const DesktopLayout &layout);

// The chosen monitor's work area: the first of the window manager's rectangles a monitor that
// overlaps it, cut to it; else the current desktop's _NET_WORKAREA cut to it; else the whole
// monitor.
PixelRect ChosenWorkArea(const DesktopLayout &layout);

// Reads the layout from the display and chooses the work area from it.
PixelRect CurrentWorkArea(Display *display);

} // namespace fltkhost

#endif
