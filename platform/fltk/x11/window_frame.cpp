// FLTK 1.3 creates a top-level window's X window and maps it in one call (show()), too early to ask
// the window manager about the frame. The window is therefore created here as FLTK creates it,
// unmapped, and handed to FLTK (Fl_X::set_xid, the call FLTK offers for windows made by hand);
// FLTK's show() then only maps it. Fl_X is FLTK's X side of a window, declared for FL_INTERNALS.
#define FL_INTERNALS
#include "platform/fltk/x11/window_frame.h"

#include "platform/fltk/x11/wm_request.h"
#include "platform/fltk/x11/x_property.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <vector>

namespace fltkhost {

namespace {

using Clock = std::chrono::steady_clock;

// The events that FLTK selects on a top-level window.
constexpr long kTopLevelEvents = ExposureMask | StructureNotifyMask | KeyPressMask | KeyReleaseMask | KeymapStateMask |
                                 FocusChangeMask | ButtonPressMask | ButtonReleaseMask | EnterWindowMask |
                                 LeaveWindowMask | PropertyChangeMask | PointerMotionMask;

// The version of the drag-and-drop protocol that FLTK speaks.
constexpr long kXdndVersion = 4;

// Extents beyond this are not a frame's.
constexpr long kLargestExtent = 1000;

// A window manager that settles its frame does so in one or two steps. One that kept changing
// the extents (every millisecond, in a test) would have the window moved with each change: after
// this many placements for a new frame, the window stays where the last one put it.
constexpr int kMostPlacements = 5;

enum AtomIndex : std::size_t {
    kNetWmPid,
    kWmProtocols,
    kWmDeleteWindow,
    kXdndAware,
    kNetWmIcon,
    kNetWmWindowType,
    kNetWmWindowTypeNormal,
    kNetSupported, // not read here: interned with the rest, WindowManagerSupports finds it in Xlib's cache
    kNetRequestFrameExtents,
    kNetFrameExtents,
    kMotifWmHints,
    kAtomCount
};

using Atoms = std::array<Atom, kAtomCount>;

// One round trip for all of them.
Atoms InternAtoms()
{
    std::array<const char *, kAtomCount> names = {"_NET_WM_PID",
                                                  "WM_PROTOCOLS",
                                                  "WM_DELETE_WINDOW",
                                                  "XdndAware",
                                                  "_NET_WM_ICON",
                                                  "_NET_WM_WINDOW_TYPE",
                                                  "_NET_WM_WINDOW_TYPE_NORMAL",
                                                  "_NET_SUPPORTED",
                                                  "_NET_REQUEST_FRAME_EXTENTS",
                                                  "_NET_FRAME_EXTENTS",
                                                  "_MOTIF_WM_HINTS"};
    Atoms atoms{};
    XInternAtoms(fl_display, const_cast<char **>(names.data()), kAtomCount, False, atoms.data());
    return atoms;
}

void SetLongs(Window window, Atom property, Atom type, const long *items, int count)
{
    XChangeProperty(fl_display, window, property, type, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(items), count);
}

// Replaces the window's _NET_WM_ICON with the icon enlarged by each factor.
void SetIcon(Window xid, Atom property, const IconPixels &icon, std::span<const int> factors)
{
    std::vector<unsigned long> buffer(2048);
    int mode = PropModeReplace;
    NetWmIcon(icon, factors, buffer, [&](std::span<const unsigned long> items) {
        XChangeProperty(fl_display, xid, property, XA_CARDINAL, 32, mode,
                        reinterpret_cast<const unsigned char *>(items.data()), static_cast<int>(items.size()));
        mode = PropModeAppend;
    });
}

// What the window manager may do with the window, and the frame it draws (Motif's hints, which
// window managers still read): move, minimise and close; a border, the title with the window menu
// and the minimise button, no resize handles and no maximise button. FLTK's own hints for a fixed
// size say "all functions but resize and maximise", which openbox reads as all of them.
void SetFrameFunctions(Window xid, Atom property)
{
    constexpr long kFunctions = 1;
    constexpr long kDecorations = 2;
    constexpr long kMove = 4;
    constexpr long kMinimise = 8;
    constexpr long kClose = 32;
    constexpr long kBorder = 2;
    constexpr long kTitle = 8;
    constexpr long kMenu = 16;
    constexpr long kMinimiseButton = 32;
    const long hints[5] = {kFunctions | kDecorations, kMove | kMinimise | kClose,
                           kBorder | kTitle | kMenu | kMinimiseButton, 0, 0};
    XChangeProperty(fl_display, xid, property, property, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(hints), 5);
}

// The size hints: the fixed size, and the position asked for with its gravity. With
// StaticGravity the position is the client area's own; with CenterGravity the window manager puts
// the frame's centre where the client area's centre would be.
void SetSizeHints(const Fl_Window &window, PixelPoint at, int gravity)
{
    XSizeHints hints{};
    hints.flags = PPosition | USPosition | PMinSize | PMaxSize | PWinGravity;
    hints.x = at.x;
    hints.y = at.y;
    hints.min_width = hints.max_width = window.w();
    hints.min_height = hints.max_height = window.h();
    hints.win_gravity = gravity;
    XSetWMNormalHints(fl_display, fl_xid(&window), &hints);
}

// What Fl_X::make_xid does for a top-level window with a border, up to its XMapWindow.
Window CreateUnmapped(Fl_Window &window, const Atoms &atoms, const std::optional<IconPixels> &icon)
{
    Fl_Group::current(nullptr);
    XSetWindowAttributes attributes{};
    attributes.event_mask = kTopLevelEvents;
    attributes.colormap = fl_colormap;
    attributes.border_pixel = 0;
    attributes.bit_gravity = ForgetGravity;
    const Window xid =
        XCreateWindow(fl_display, RootWindow(fl_display, fl_screen), window.x(), window.y(),
                      static_cast<unsigned>(std::max(1, window.w())), static_cast<unsigned>(std::max(1, window.h())), 0,
                      fl_visual->depth, InputOutput, fl_visual->visual,
                      CWBorderPixel | CWColormap | CWEventMask | CWBitGravity, &attributes);
    Fl_X::set_xid(&window, xid);

    XSetWMProperties(fl_display, xid, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
    const long pid = getpid();
    SetLongs(xid, atoms[kNetWmPid], XA_CARDINAL, &pid, 1);
    window.label(window.label(), window.iconlabel()); // the title properties
    const auto deleteWindow = static_cast<long>(atoms[kWmDeleteWindow]);
    SetLongs(xid, atoms[kWmProtocols], XA_ATOM, &deleteWindow, 1);
    // The frame that the window manager tells depends on these: set before it is asked.
    SetSizeHints(window, {window.x(), window.y()}, StaticGravity);
    SetFrameFunctions(xid, atoms[kMotifWmHints]);
    if (const char *xclass = window.xclass(); xclass != nullptr && *xclass != '\0') {
        // The instance name, then the class name capitalised as FLTK capitalises it.
        std::string capitalised = xclass;
        capitalised[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(capitalised[0])));
        if (capitalised[0] == 'X' && capitalised.size() > 1)
            capitalised[1] = static_cast<char>(std::toupper(static_cast<unsigned char>(capitalised[1])));
        const std::string classes = std::string(xclass) + '\0' + capitalised + '\0';
        XChangeProperty(fl_display, xid, XA_WM_CLASS, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(classes.data()), static_cast<int>(classes.size()));
    }
    SetLongs(xid, atoms[kXdndAware], XA_ATOM, &kXdndVersion, 1);
    XWMHints hints{};
    hints.flags = InputHint;
    hints.input = True;
    XSetWMHints(fl_display, xid, &hints);
    if (icon) {
        constexpr int kAsItIs[] = {1};
        SetIcon(xid, atoms[kNetWmIcon], *icon, kAsItIs);
    }
    // The window manager chooses the frame by the type: set before the frame is asked about.
    const auto normal = static_cast<long>(atoms[kNetWmWindowTypeNormal]);
    SetLongs(xid, atoms[kNetWmWindowType], XA_ATOM, &normal, 1);
    return xid;
}

// Whether the running window manager lists _NET_REQUEST_FRAME_EXTENTS among what it supports.
bool OffersFrameExtents(const Atoms &atoms)
{
    return WindowManagerSupports(fl_display, atoms[kNetRequestFrameExtents]);
}

std::optional<FrameExtents> ReadFrameExtents(Window xid, Atom property)
{
    const std::vector<unsigned long> items = ListProperty(fl_display, xid, property, XA_CARDINAL);
    // Xlib hands 32-bit items as longs: a negative extent comes as a long below zero.
    const auto fits = [](unsigned long item) {
        const auto extent = static_cast<long>(item);
        return extent >= 0 && extent <= kLargestExtent;
    };
    if (items.size() != 4 || !std::all_of(items.begin(), items.end(), fits))
        return std::nullopt;
    return FrameExtents{static_cast<int>(items[0]), static_cast<int>(items[1]), static_cast<int>(items[2]),
                        static_cast<int>(items[3])};
}

// Takes the answer out of the event queue, leaving every other event there for FLTK. At the
// deadline the property is read once more, in case its notice was taken from the queue before.
std::optional<FrameExtents> WaitForFrameExtents(Window xid, Atom property, Clock::time_point deadline)
{
    PropertyWanted wanted{xid, property};
    XEvent event{};
    for (;;) {
        if (XCheckIfEvent(fl_display, &event, IsNewValue, reinterpret_cast<XPointer>(&wanted)) == True)
            return ReadFrameExtents(xid, property);
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return ReadFrameExtents(xid, property);
        pollfd connection{ConnectionNumber(fl_display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(left.count()));
    }
}

// The shown window while its window manager settles the frame.
struct Centred {
    Window xid = 0;
    Atom property = 0; // _NET_FRAME_EXTENTS
    PixelRect workArea;
    std::optional<FrameExtents> frame; // none: the window manager centred it by the gravity
    int w = 0;
    int h = 0;
    // From kFrameSettles after the window manager has mapped the window, a new frame is the
    // user's or the theme's: the window stays where it is.
    std::optional<Clock::time_point> until;
    int placements = 0; // for a new frame, since the map
};

Centred g_centred;

int OnFrameExtents(void *xevent, void * /*data*/)
{
    const auto *event = static_cast<const XEvent *>(xevent);
    if (g_centred.xid == 0)
        return 0;
    // A loaded desktop may take a second or more to map the window: the time counts from then.
    if (event->type == MapNotify && event->xmap.window == g_centred.xid && !g_centred.until)
        g_centred.until = Clock::now() + kFrameSettles;
    // A window of another size has been maximised or resized by the window manager, whose frame
    // follows from that: centring it would move it where the window manager cannot restore it from.
    if (event->type == ConfigureNotify && event->xconfigure.window == g_centred.xid &&
        (event->xconfigure.width != g_centred.w || event->xconfigure.height != g_centred.h)) {
        g_centred.xid = 0;
        return 0;
    }
    if (!IsNewValueOf(*event, g_centred.xid, g_centred.property))
        return 0;
    if (g_centred.until && Clock::now() > *g_centred.until) {
        g_centred.xid = 0;
        return 0;
    }
    const std::optional<FrameExtents> frame = ReadFrameExtents(g_centred.xid, g_centred.property);
    Fl_Window *window = fl_find(g_centred.xid);
    if (!frame || frame == g_centred.frame || window == nullptr)
        return 0;
    const PixelPoint origin = CentredOrigin(g_centred.workArea, g_centred.w, g_centred.h, *frame);
    g_centred.frame = frame;
    if (++g_centred.placements == kMostPlacements)
        g_centred.xid = 0;
    // The gravity first: the window manager reads the move by the hints it has.
    SetSizeHints(*window, origin, StaticGravity);
    window->position(origin.x, origin.y);
    return 0; // FLTK sees the event as well
}

} // namespace

void EnlargeIcon(const Fl_Window &window, const IconPixels &icon)
{
    constexpr int kScales[] = {1, 2, 4};
    SetIcon(fl_xid(&window), XInternAtom(fl_display, "_NET_WM_ICON", False), icon, kScales);
    XFlush(fl_display);
}

PixelPoint CentredOrigin(const PixelRect &workArea, int w, int h, const FrameExtents &frame)
{
    const int outerW = frame.left + w + frame.right;
    const int outerH = frame.top + h + frame.bottom;
    const int x = std::max(workArea.x, workArea.x + (workArea.w - outerW) / 2);
    const int y = std::max(workArea.y, workArea.y + (workArea.h - outerH) / 2);
    return {x + frame.left, y + frame.top};
}

FrameRequest CreateAskingFrame(Fl_Window &window, const std::optional<IconPixels> &icon)
{
    const Atoms atoms = InternAtoms();
    const Window xid = CreateUnmapped(window, atoms, icon);
    FrameRequest request;
    request.motifHints = atoms[kMotifWmHints];
    if (!OffersFrameExtents(atoms))
        return request;
    request.asked = true;
    request.property = atoms[kNetFrameExtents];
    request.sent = Clock::now();
    SendWindowManagerRequest(fl_display, xid, atoms[kNetRequestFrameExtents]);
    return request;
}

Placement CentreFrame(Fl_Window &window, const PixelRect &workArea, const FrameRequest &request,
                      std::chrono::milliseconds limit)
{
    Placement placement;
    if (request.asked) {
        placement.asked = true;
        const Clock::time_point start = Clock::now();
        placement.frame = WaitForFrameExtents(fl_xid(&window), request.property, request.sent + limit);
        const Clock::time_point end = Clock::now();
        placement.waited = std::chrono::duration_cast<std::chrono::microseconds>(end - start);
        placement.sinceRequest = std::chrono::duration_cast<std::chrono::microseconds>(end - request.sent);
    }
    // Known extents place the frame exactly. Without them the window manager centres the frame
    // on the client area's centre, as the gravity asks: most do it right.
    const PixelPoint origin = CentredOrigin(workArea, window.w(), window.h(), placement.frame.value_or(FrameExtents{}));
    window.position(origin.x, origin.y);
    // FLTK rewrote both when the window took its size.
    SetSizeHints(window, origin, placement.frame ? StaticGravity : CenterGravity);
    SetFrameFunctions(fl_xid(&window), request.motifHints);
    return placement;
}

void KeepCentredOnItsFrame(const Fl_Window &window, const PixelRect &workArea, const Placement &placement)
{
    const bool installed = g_centred.property != 0;
    g_centred = {.xid = fl_xid(&window),
                 .property = XInternAtom(fl_display, "_NET_FRAME_EXTENTS", False),
                 .workArea = workArea,
                 .frame = placement.frame,
                 .w = window.w(),
                 .h = window.h(),
                 .until = std::nullopt,
                 .placements = 0};
    if (!installed)
        Fl::add_system_handler(OnFrameExtents, nullptr);
}

} // namespace fltkhost
