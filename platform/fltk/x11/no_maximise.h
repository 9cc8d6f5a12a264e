// A dialog's window is never maximised. Its frame offers no maximising, but some window managers
// (fluxbox) still maximise a window when a taskbar or a key binding asks them with _NET_WM_STATE,
// whatever its size hints say: the window then asks to be restored at once, up to three times in
// any ten seconds, so that a window manager that maximises it again each time has the last word.
#ifndef ZAHLIX_PLATFORM_FLTK_X11_NO_MAXIMISE_H
#define ZAHLIX_PLATFORM_FLTK_X11_NO_MAXIMISE_H

#include <X11/Xlib.h>

namespace fltkhost {

// Follows the window's _NET_WM_STATE for as long as the program runs. The display must be
// FLTK's, and the window one that selects PropertyChangeMask.
void RefuseMaximising(Window window);

} // namespace fltkhost

#endif
