// Whether the session wants the dialog published to assistive technologies. A screen reader is
// rare and start-up is for everyone: nothing is asked before the window is mapped, and nothing
// of D-Bus is loaded where there is no session bus to ask.
#ifndef ZAHLIX_PLATFORM_FLTK_A11Y_ACCESSIBILITY_STATUS_H
#define ZAHLIX_PLATFORM_FLTK_A11Y_ACCESSIBILITY_STATUS_H

namespace fltkhost {

// Calls publish(data) at most once, from FLTK's loop on its thread, the first time the session
// says that accessibility is wanted: at once when the accessibility bus's status (org.a11y.Status
// on the session bus) has IsEnabled or ScreenReaderEnabled set, or later when either is switched
// on or the accessibility bus first appears with either set. The status is read without starting
// the accessibility bus. Nothing is done when NO_AT_BRIDGE is 1, or when DBUS_SESSION_BUS_ADDRESS
// names no bus (unset, empty or auto-launched): D-Bus would otherwise start a bus of its own that
// outlives the program. Returns at once; the work runs in FLTK's loop. Call it once per process,
// after the window is mapped, with data that lives as long as FLTK's loop runs.
void WatchAccessibilityStatus(void (*publish)(void *data), void *data);

} // namespace fltkhost

#endif
