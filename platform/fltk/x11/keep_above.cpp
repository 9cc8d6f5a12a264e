// A mapped window's state belongs to the window manager: the client asks for a change with a
// _NET_WM_STATE message to the root window, and the manager updates the window's property.
#include "platform/fltk/x11/keep_above.h"

#include "platform/fltk/x11/wm_request.h"

#include <FL/x.H>

namespace fltkhost {

void RequestKeepAbove(Window window)
{
    constexpr long kAdd = 1;
    constexpr long kNormalApplication = 1;
    const auto above = static_cast<long>(XInternAtom(fl_display, "_NET_WM_STATE_ABOVE", False));
    SendWindowManagerRequest(fl_display, window, XInternAtom(fl_display, "_NET_WM_STATE", False),
                             {kAdd, above, 0, kNormalApplication, 0});
}

} // namespace fltkhost
