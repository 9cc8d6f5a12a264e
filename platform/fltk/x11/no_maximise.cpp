// The window manager sets _NET_WM_STATE on the window; a state with a maximised direction in it is
// answered with a request to remove both, which restores the window's own size and place.
#include "platform/fltk/x11/no_maximise.h"

#include "platform/fltk/x11/wm_request.h"
#include "platform/fltk/x11/x_property.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/Xatom.h>

#include <algorithm>
#include <vector>

namespace fltkhost {

namespace {

struct Watched {
    Window window = 0;
    Atom state = 0;
    Atom vertical = 0;
    Atom horizontal = 0;
};

Watched g_watched;

int OnStateChange(void *xevent, void * /*data*/)
{
    const auto *event = static_cast<const XEvent *>(xevent);
    if (!IsNewValueOf(*event, g_watched.window, g_watched.state))
        return 0;
    const std::vector<unsigned long> state = ListProperty(fl_display, g_watched.window, g_watched.state, XA_ATOM);
    const bool maximised = std::any_of(state.begin(), state.end(), [](unsigned long atom) {
        return atom == g_watched.vertical || atom == g_watched.horizontal;
    });
    if (maximised) {
        constexpr long kRemove = 0;
        constexpr long kNormalApplication = 1;
        SendWindowManagerRequest(fl_display, g_watched.window, g_watched.state,
                                 {kRemove, static_cast<long>(g_watched.vertical),
                                  static_cast<long>(g_watched.horizontal), kNormalApplication, 0});
    }
    return 0; // FLTK sees the event as well
}

} // namespace

void RefuseMaximising(Window window)
{
    const bool installed = g_watched.window != 0;
    g_watched = {window, XInternAtom(fl_display, "_NET_WM_STATE", False),
                 XInternAtom(fl_display, "_NET_WM_STATE_MAXIMIZED_VERT", False),
                 XInternAtom(fl_display, "_NET_WM_STATE_MAXIMIZED_HORZ", False)};
    if (!installed)
        Fl::add_system_handler(OnStateChange, nullptr);
}

} // namespace fltkhost
