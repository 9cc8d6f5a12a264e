// The monitor where the user is, and its work area as the window manager publishes it.
#include "platform/fltk/x11/work_area.h"

#include "platform/fltk/x11/x_property.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <string>

namespace fltkhost {

namespace {

// A rectangle by its edges, wide enough for any sum of two of the int or 32-bit values it is made of.
struct Edges {
    long long left = 0;
    long long top = 0;
    long long right = 0;
    long long bottom = 0;
};

Edges EdgesOf(const PixelRect &r)
{
    return {r.x, r.y, static_cast<long long>(r.x) + r.w, static_cast<long long>(r.y) + r.h};
}

// The rectangle of four CARDINAL items x, y, w, h, which Xlib hands as 32-bit values in longs.
Edges EdgesOf(const unsigned long *items)
{
    const auto item = [items](int i) { return static_cast<long long>(items[i] & 0xFFFFFFFFUL); };
    return {item(0), item(1), item(0) + item(2), item(1) + item(3)};
}

// The part of `area` that lies on the monitor, where they overlap.
std::optional<PixelRect> PartOn(const PixelRect &monitor, const Edges &area)
{
    const Edges m = EdgesOf(monitor);
    const long long left = std::max(m.left, area.left);
    const long long top = std::max(m.top, area.top);
    const long long right = std::min(m.right, area.right);
    const long long bottom = std::min(m.bottom, area.bottom);
    if (left >= right || top >= bottom)
        return std::nullopt;
    return PixelRect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                     static_cast<int>(bottom - top)};
}

bool Holds(const PixelRect &r, const PixelPoint &p)
{
    const Edges e = EdgesOf(r);
    return p.x >= e.left && p.x < e.right && p.y >= e.top && p.y < e.bottom;
}

} // namespace

PixelRect ChosenMonitor(const DesktopLayout &layout)
{
    const auto &monitors = layout.monitors;
    if (monitors.empty())
        return layout.screen;
    if (layout.pointer) {
        const auto under = std::find_if(monitors.begin(), monitors.end(),
                                        [&](const PixelRect &m) { return Holds(m, *layout.pointer); });
        if (under != monitors.end())
            return *under;
    }
    if (layout.primary && *layout.primary < monitors.size())
        return monitors[*layout.primary];
    return monitors.front();
}

PixelRect ChosenWorkArea(const DesktopLayout &layout)
{
    const PixelRect monitor = ChosenMonitor(layout);
    // The rectangles come in the window manager's order of its monitors, which need not be RandR's
    // (mutter makes one monitor of a screen that RandR splits): the one that overlaps counts, as
    // GTK 3 takes it.
    if (layout.gtkWorkAreas) {
        for (std::size_t i = 0; i + 4 <= layout.perMonitor.size(); i += 4) {
            if (const auto part = PartOn(monitor, EdgesOf(&layout.perMonitor[i])))
                return *part;
        }
    }
    if (layout.currentDesktop < layout.netWorkArea.size() / 4) {
        if (const auto part = PartOn(monitor, EdgesOf(&layout.netWorkArea[4 * layout.currentDesktop])))
            return *part;
    }
    return monitor;
}

PixelRect CurrentWorkArea(Display *display)
{
    const Window root = DefaultRootWindow(display);
    const int screen = DefaultScreen(display);
    DesktopLayout layout;
    layout.screen = {0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};

    // Monitors came with RandR 1.5; asking an older server would be a protocol error.
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (XRRQueryExtension(display, &event, &error) != 0 && XRRQueryVersion(display, &major, &minor) != 0 &&
        (major > 1 || (major == 1 && minor >= 5))) {
        int count = 0;
        XRRMonitorInfo *monitors = XRRGetMonitors(display, root, True, &count);
        for (int i = 0; i < count; ++i) {
            layout.monitors.push_back({monitors[i].x, monitors[i].y, monitors[i].width, monitors[i].height});
            if (monitors[i].primary != 0 && !layout.primary)
                layout.primary = static_cast<std::size_t>(i);
        }
        if (monitors != nullptr)
            XRRFreeMonitors(monitors);
    }

    Window pointerRoot = 0;
    Window child = 0;
    PixelPoint at;
    PixelPoint inChild;
    unsigned int buttons = 0;
    if (XQueryPointer(display, root, &pointerRoot, &child, &at.x, &at.y, &inChild.x, &inChild.y, &buttons) != 0)
        layout.pointer = at;

    char supportedName[] = "_NET_SUPPORTED";
    char gtkName[] = "_GTK_WORKAREAS";
    char desktopName[] = "_NET_CURRENT_DESKTOP";
    char workAreaName[] = "_NET_WORKAREA";
    char *names[] = {supportedName, gtkName, desktopName, workAreaName};
    Atom atoms[4] = {};
    XInternAtoms(display, names, 4, False, atoms);
    const auto supported = ListProperty(display, root, atoms[0], XA_ATOM);
    layout.gtkWorkAreas = std::find(supported.begin(), supported.end(), atoms[1]) != supported.end();
    if (const auto desktop = ListProperty(display, root, atoms[2], XA_CARDINAL); !desktop.empty())
        layout.currentDesktop = desktop.front();
    if (layout.gtkWorkAreas) {
        const std::string perMonitor = "_GTK_WORKAREAS_D" + std::to_string(layout.currentDesktop);
        layout.perMonitor = ListProperty(display, root, XInternAtom(display, perMonitor.c_str(), False), XA_CARDINAL);
    }
    layout.netWorkArea = ListProperty(display, root, atoms[3], XA_CARDINAL);
    return ChosenWorkArea(layout);
}

} // namespace fltkhost
