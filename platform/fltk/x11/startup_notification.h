// A launcher's start-up notification (freedesktop.org's startup-notification protocol): a launcher
// that starts the program with DESKTOP_STARTUP_ID shows it starting (a busy cursor, a taskbar
// entry) until the program says that its start is over, or until a time-out. The id's _TIME<n>
// suffix is the server time of the user's action that launched the program.
#ifndef ZAHLIX_PLATFORM_FLTK_X11_STARTUP_NOTIFICATION_H
#define ZAHLIX_PLATFORM_FLTK_X11_STARTUP_NOTIFICATION_H

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <string_view>

namespace fltkhost {

// DESKTOP_STARTUP_ID, taken out of the environment so that no child process inherits it; empty
// when no such launcher started the program.
std::string TakeStartupId();

// The launch's time: the id's _TIME suffix of decimal digits, a 32-bit server time. Nothing when
// the id has none, or its time is 0 (no time, as GTK takes it).
std::optional<Time> LaunchTime(std::string_view id);

// The message that ends the launch: remove: ID="<id>", the id quoted as the protocol quotes a
// value (a backslash before `"` and `\`).
std::string RemoveMessage(std::string_view id);

// For the window before its map: _NET_STARTUP_ID, and _NET_WM_USER_TIME when the launch has a
// time, so that the window manager weighs the window against the user's later actions.
void TellStartupId(Display *display, Window window, const std::string &id);

// Sends the remove message for `id` to the root window, in 20-byte pieces, with `window` (one of
// ours) as the events' window, and flushes it.
void EndStartup(Display *display, Window window, const std::string &id);

} // namespace fltkhost

#endif
