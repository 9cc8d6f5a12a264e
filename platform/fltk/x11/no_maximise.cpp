// The window manager sets _NET_WM_STATE on the window; a state with a maximised direction in it is
// answered with a request to remove both, which restores the window's own size and place. A window
// manager that maximises the window again on each such request would keep both busy for as long
// as it insisted (thousands of requests a second, seen with a test window manager on Debian 12):
// after three requests in ten seconds, its state stands until the oldest of them is ten seconds
// old. The window stays usable, maximised.
#include "platform/fltk/x11/no_maximise.h"

#include "platform/fltk/x11/wm_request.h"
#include "platform/fltk/x11/x_property.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/Xatom.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <vector>

namespace fltkhost {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMostRequests = 3;
constexpr std::chrono::seconds kRequestsWindow{10};

struct Watched {
    Window window = 0;
    Atom state = 0;
    Atom vertical = 0;
    Atom horizontal = 0;
    std::array<Clock::time_point, kMostRequests> sent{}; // the latest requests, oldest first
    std::size_t count = 0;
};

Watched g_watched;

// Whether fewer than kMostRequests were sent in the last kRequestsWindow; if so, counts one more.
bool TakeRequest(Watched &watched, Clock::time_point now)
{
    if (watched.count < kMostRequests) {
        watched.sent.at(watched.count++) = now;
        return true;
    }
    if (now - watched.sent.front() < kRequestsWindow)
        return false;
    std::rotate(watched.sent.begin(), watched.sent.begin() + 1, watched.sent.end());
    watched.sent.back() = now;
    return true;
}

int OnStateChange(void *xevent, void * /*data*/)
{
    const auto *event = static_cast<const XEvent *>(xevent);
    if (!IsNewValueOf(*event, g_watched.window, g_watched.state))
        return 0;
    const std::vector<unsigned long> state = ListProperty(fl_display, g_watched.window, g_watched.state, XA_ATOM);
    const bool maximised = std::any_of(state.begin(), state.end(), [](unsigned long atom) {
        return atom == g_watched.vertical || atom == g_watched.horizontal;
    });
    if (maximised && TakeRequest(g_watched, Clock::now())) {
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
    if (g_watched.window == window)
        return; // asked again: the requests already sent still count
    g_watched = {.window = window,
                 .state = XInternAtom(fl_display, "_NET_WM_STATE", False),
                 .vertical = XInternAtom(fl_display, "_NET_WM_STATE_MAXIMIZED_VERT", False),
                 .horizontal = XInternAtom(fl_display, "_NET_WM_STATE_MAXIMIZED_HORZ", False)};
    if (!installed)
        Fl::add_system_handler(OnStateChange, nullptr);
}

} // namespace fltkhost
