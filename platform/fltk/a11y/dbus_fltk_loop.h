// A D-Bus connection served by FLTK's event loop on the one thread: its socket through
// Fl::add_fd, its time-outs through Fl::add_timeout, and the messages it has read dispatched
// from a time-out of zero, outside libdbus's own calls.
#ifndef ZAHLIX_PLATFORM_FLTK_A11Y_DBUS_FLTK_LOOP_H
#define ZAHLIX_PLATFORM_FLTK_A11Y_DBUS_FLTK_LOOP_H

#include "platform/fltk/a11y/dbus_library.h"

namespace fltkhost {

// From now on FLTK's loop reads, writes and dispatches the connection. False when libdbus is
// out of memory; the connection is then detached again.
bool AttachToFltkLoop(const DBusLibrary &dbus, DBusConnection *connection);

// FLTK's loop lets the connection go: no descriptor, time-out or dispatch of it stays behind.
// Call it before the connection is closed.
void DetachFromFltkLoop(const DBusLibrary &dbus, DBusConnection *connection);

} // namespace fltkhost

#endif
