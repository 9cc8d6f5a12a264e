// A request of the application (source 1) that names no active window of ours.
#include "platform/fltk/x11/activation.h"

#include "platform/fltk/x11/wm_request.h"

namespace fltkhost {

bool OffersActivation(Display *display)
{
    return WindowManagerSupports(display, XInternAtom(display, "_NET_ACTIVE_WINDOW", False));
}

void RequestActivation(Display *display, Window window, Time userTime)
{
    constexpr long kFromApplication = 1;
    constexpr long kNoneOfOursActive = 0;
    SendWindowManagerRequest(display, window, XInternAtom(display, "_NET_ACTIVE_WINDOW", False),
                             {kFromApplication, static_cast<long>(userTime), kNoneOfOursActive, 0, 0});
}

} // namespace fltkhost
