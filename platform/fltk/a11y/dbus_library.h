// libdbus, loaded at run time: the program links no D-Bus library, so that a start without
// assistive technology pays nothing for it. The header gives the types and prototypes; the
// functions are called through the table that LoadDBusLibrary fills.
#ifndef ZAHLIX_PLATFORM_FLTK_A11Y_DBUS_LIBRARY_H
#define ZAHLIX_PLATFORM_FLTK_A11Y_DBUS_LIBRARY_H

#include <dbus/dbus.h>

namespace fltkhost {

// The libdbus functions that the host uses, each under its own name.
#define ZAHLIX_DBUS_FUNCTIONS(X)                                                                                       \
    X(dbus_error_init)                                                                                                 \
    X(dbus_error_free)                                                                                                 \
    X(dbus_connection_open_private)                                                                                    \
    X(dbus_connection_close)                                                                                           \
    X(dbus_connection_unref)                                                                                           \
    X(dbus_connection_set_watch_functions)                                                                             \
    X(dbus_connection_set_timeout_functions)                                                                           \
    X(dbus_connection_set_dispatch_status_function)                                                                    \
    X(dbus_connection_add_filter)                                                                                      \
    X(dbus_connection_send)                                                                                            \
    X(dbus_connection_send_with_reply)                                                                                 \
    X(dbus_connection_dispatch)                                                                                        \
    X(dbus_watch_get_unix_fd)                                                                                          \
    X(dbus_watch_get_flags)                                                                                            \
    X(dbus_watch_get_enabled)                                                                                          \
    X(dbus_watch_handle)                                                                                               \
    X(dbus_timeout_get_interval)                                                                                       \
    X(dbus_timeout_get_enabled)                                                                                        \
    X(dbus_timeout_handle)                                                                                             \
    X(dbus_pending_call_set_notify)                                                                                    \
    X(dbus_pending_call_steal_reply)                                                                                   \
    X(dbus_pending_call_cancel)                                                                                        \
    X(dbus_pending_call_unref)                                                                                         \
    X(dbus_bus_add_match)                                                                                              \
    X(dbus_message_new_method_call)                                                                                    \
    X(dbus_message_append_args)                                                                                        \
    X(dbus_message_set_auto_start)                                                                                     \
    X(dbus_message_unref)                                                                                              \
    X(dbus_message_get_type)                                                                                           \
    X(dbus_message_is_signal)                                                                                          \
    X(dbus_message_has_path)                                                                                           \
    X(dbus_message_has_sender)                                                                                         \
    X(dbus_message_iter_init)                                                                                          \
    X(dbus_message_iter_get_arg_type)                                                                                  \
    X(dbus_message_iter_recurse)                                                                                       \
    X(dbus_message_iter_get_basic)                                                                                     \
    X(dbus_message_iter_next)

struct DBusLibrary {
// The argument is a name, declared here: it cannot be put in parentheses.
#define ZAHLIX_DBUS_POINTER(name) decltype(&::name) name = nullptr; // NOLINT(bugprone-macro-parentheses)
    ZAHLIX_DBUS_FUNCTIONS(ZAHLIX_DBUS_POINTER)
#undef ZAHLIX_DBUS_POINTER
};

// Loads libdbus on the first call and never unloads it (a library loaded later, such as the
// accessibility bridge, shares it). Returns nullptr when it is not installed or lacks a function.
const DBusLibrary *LoadDBusLibrary();

} // namespace fltkhost

#endif
