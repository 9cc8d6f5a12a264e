// libdbus asks its main loop to watch descriptors and to run time-outs; FLTK's loop does both.
// A watch wants reading or writing of one descriptor and may be switched off and on; FLTK keeps
// one entry per descriptor and direction, so each direction of a watch gets its own entry. A
// libdbus time-out repeats at its interval until it is removed or switched off.
#include "platform/fltk/a11y/dbus_fltk_loop.h"

#include <FL/Fl.H>

#include <algorithm>
#include <vector>

namespace fltkhost {

namespace {

// One libdbus serves every connection; the callbacks from FLTK carry only the watch or time-out.
const DBusLibrary *g_dbus = nullptr;
// The time-outs libdbus has added and not removed: a time-out's own handler may remove it.
std::vector<DBusTimeout *> g_timeouts;

void OnReadable(int /*fd*/, void *watch)
{
    g_dbus->dbus_watch_handle(static_cast<DBusWatch *>(watch), DBUS_WATCH_READABLE);
}

void OnWritable(int /*fd*/, void *watch)
{
    g_dbus->dbus_watch_handle(static_cast<DBusWatch *>(watch), DBUS_WATCH_WRITABLE);
}

void StopWatching(DBusWatch *watch, void * /*data*/)
{
    const int fd = g_dbus->dbus_watch_get_unix_fd(watch);
    const unsigned flags = g_dbus->dbus_watch_get_flags(watch);
    if ((flags & DBUS_WATCH_READABLE) != 0)
        Fl::remove_fd(fd, FL_READ);
    if ((flags & DBUS_WATCH_WRITABLE) != 0)
        Fl::remove_fd(fd, FL_WRITE);
}

dbus_bool_t StartWatching(DBusWatch *watch, void * /*data*/)
{
    if (g_dbus->dbus_watch_get_enabled(watch) == 0)
        return TRUE;
    const int fd = g_dbus->dbus_watch_get_unix_fd(watch);
    const unsigned flags = g_dbus->dbus_watch_get_flags(watch);
    if ((flags & DBUS_WATCH_READABLE) != 0)
        Fl::add_fd(fd, FL_READ, OnReadable, watch);
    if ((flags & DBUS_WATCH_WRITABLE) != 0)
        Fl::add_fd(fd, FL_WRITE, OnWritable, watch);
    return TRUE;
}

void WatchToggled(DBusWatch *watch, void *data)
{
    StopWatching(watch, data);
    StartWatching(watch, data);
}

bool Live(DBusTimeout *timeout)
{
    return std::find(g_timeouts.begin(), g_timeouts.end(), timeout) != g_timeouts.end();
}

double Seconds(DBusTimeout *timeout)
{
    return g_dbus->dbus_timeout_get_interval(timeout) / 1000.0;
}

void OnTimeout(void *data)
{
    auto *timeout = static_cast<DBusTimeout *>(data);
    g_dbus->dbus_timeout_handle(timeout);
    if (Live(timeout) && g_dbus->dbus_timeout_get_enabled(timeout) != 0 && Fl::has_timeout(OnTimeout, timeout) == 0)
        Fl::add_timeout(Seconds(timeout), OnTimeout, timeout);
}

dbus_bool_t AddTimeout(DBusTimeout *timeout, void * /*data*/)
{
    if (!Live(timeout))
        g_timeouts.push_back(timeout);
    if (g_dbus->dbus_timeout_get_enabled(timeout) != 0)
        Fl::add_timeout(Seconds(timeout), OnTimeout, timeout);
    return TRUE;
}

void RemoveTimeout(DBusTimeout *timeout, void * /*data*/)
{
    Fl::remove_timeout(OnTimeout, timeout);
    std::erase(g_timeouts, timeout);
}

void TimeoutToggled(DBusTimeout *timeout, void *data)
{
    Fl::remove_timeout(OnTimeout, timeout);
    if (g_dbus->dbus_timeout_get_enabled(timeout) != 0)
        AddTimeout(timeout, data);
}

void Dispatch(void *connection)
{
    while (g_dbus->dbus_connection_dispatch(static_cast<DBusConnection *>(connection)) == DBUS_DISPATCH_DATA_REMAINS) {
    }
}

// libdbus forbids dispatching from inside this callback: the dispatch waits for the loop.
void DispatchStatusChanged(DBusConnection *connection, DBusDispatchStatus status, void * /*data*/)
{
    if (status == DBUS_DISPATCH_DATA_REMAINS && Fl::has_timeout(Dispatch, connection) == 0)
        Fl::add_timeout(0.0, Dispatch, connection);
}

} // namespace

bool AttachToFltkLoop(const DBusLibrary &dbus, DBusConnection *connection)
{
    g_dbus = &dbus;
    if (dbus.dbus_connection_set_watch_functions(connection, StartWatching, StopWatching, WatchToggled, nullptr,
                                                 nullptr) == 0 ||
        dbus.dbus_connection_set_timeout_functions(connection, AddTimeout, RemoveTimeout, TimeoutToggled, nullptr,
                                                   nullptr) == 0) {
        DetachFromFltkLoop(dbus, connection);
        return false;
    }
    dbus.dbus_connection_set_dispatch_status_function(connection, DispatchStatusChanged, nullptr, nullptr);
    return true;
}

void DetachFromFltkLoop(const DBusLibrary &dbus, DBusConnection *connection)
{
    // Replacing the functions removes every watch and time-out through the old ones.
    dbus.dbus_connection_set_watch_functions(connection, nullptr, nullptr, nullptr, nullptr, nullptr);
    dbus.dbus_connection_set_timeout_functions(connection, nullptr, nullptr, nullptr, nullptr, nullptr);
    dbus.dbus_connection_set_dispatch_status_function(connection, nullptr, nullptr, nullptr);
    Fl::remove_timeout(Dispatch, connection);
}

} // namespace fltkhost
