// The accessibility status is read from the session bus with a private libdbus connection that
// FLTK's loop serves. The read carries NO_AUTO_START: a plain read would have the bus start the
// accessibility bus launcher for every program, wanted or not. Two signals are followed until
// accessibility is wanted: the status's PropertiesChanged, and NameOwnerChanged of the bus name,
// after which the status is read again. Once it is wanted the connection is closed, and publish
// runs from a time-out of its own, outside libdbus's callbacks.
#include "platform/fltk/a11y/accessibility_status.h"

#include "platform/fltk/a11y/dbus_fltk_loop.h"
#include "platform/fltk/a11y/dbus_library.h"

#include <FL/Fl.H>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace fltkhost {

namespace {

constexpr const char *kStatusBus = "org.a11y.Bus";
constexpr const char *kStatusPath = "/org/a11y/bus";
constexpr const char *kStatusInterface = "org.a11y.Status";

struct StatusWatch {
    void (*publish)(void *data) = nullptr;
    void *data = nullptr;
    std::string address;
    const DBusLibrary *dbus = nullptr;
    DBusConnection *connection = nullptr;
    DBusPendingCall *read = nullptr;
    int waits = 0;
    bool started = false;
    bool wanted = false;
};

StatusWatch g_watch;

// A bus address is a list of alternatives tried in turn; "autolaunch:" would start a bus.
bool NamesRunningBus(const char *address)
{
    if (address == nullptr || *address == '\0')
        return false;
    std::string_view rest(address);
    while (!rest.empty()) {
        const std::size_t end = rest.find(';');
        if (rest.substr(0, end).starts_with("autolaunch:"))
            return false;
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return true;
}

void Close()
{
    const DBusLibrary &dbus = *g_watch.dbus;
    if (g_watch.read != nullptr) {
        dbus.dbus_pending_call_cancel(g_watch.read);
        dbus.dbus_pending_call_unref(g_watch.read);
        g_watch.read = nullptr;
    }
    if (g_watch.connection != nullptr) {
        DetachFromFltkLoop(dbus, g_watch.connection);
        dbus.dbus_connection_close(g_watch.connection);
        dbus.dbus_connection_unref(g_watch.connection);
        g_watch.connection = nullptr;
    }
}

void CloseLater(void * /*data*/)
{
    Close();
}

void Publish(void * /*data*/)
{
    Close();
    g_watch.publish(g_watch.data);
}

void Want()
{
    if (g_watch.wanted)
        return;
    g_watch.wanted = true;
    Fl::add_timeout(0.0, Publish);
}

// Whether a dictionary of properties (a{sv}) sets IsEnabled or ScreenReaderEnabled.
bool SetsEnabled(const DBusLibrary &dbus, DBusMessageIter *properties)
{
    if (dbus.dbus_message_iter_get_arg_type(properties) != DBUS_TYPE_ARRAY)
        return false;
    DBusMessageIter entry;
    dbus.dbus_message_iter_recurse(properties, &entry);
    for (; dbus.dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_DICT_ENTRY; dbus.dbus_message_iter_next(&entry)) {
        DBusMessageIter field;
        dbus.dbus_message_iter_recurse(&entry, &field);
        if (dbus.dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_STRING)
            continue;
        const char *name = nullptr;
        dbus.dbus_message_iter_get_basic(&field, static_cast<void *>(&name));
        if (std::strcmp(name, "IsEnabled") != 0 && std::strcmp(name, "ScreenReaderEnabled") != 0)
            continue;
        DBusMessageIter value;
        if (dbus.dbus_message_iter_next(&field) == 0 ||
            dbus.dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_VARIANT)
            continue;
        dbus.dbus_message_iter_recurse(&field, &value);
        dbus_bool_t on = FALSE;
        if (dbus.dbus_message_iter_get_arg_type(&value) != DBUS_TYPE_BOOLEAN)
            continue;
        dbus.dbus_message_iter_get_basic(&value, static_cast<void *>(&on));
        if (on != 0)
            return true;
    }
    return false;
}

// Whether a list of property names (as) names IsEnabled or ScreenReaderEnabled.
bool NamesStatus(const DBusLibrary &dbus, DBusMessageIter *names)
{
    if (dbus.dbus_message_iter_get_arg_type(names) != DBUS_TYPE_ARRAY)
        return false;
    DBusMessageIter name;
    dbus.dbus_message_iter_recurse(names, &name);
    for (; dbus.dbus_message_iter_get_arg_type(&name) == DBUS_TYPE_STRING; dbus.dbus_message_iter_next(&name)) {
        const char *text = nullptr;
        dbus.dbus_message_iter_get_basic(&name, static_cast<void *>(&text));
        if (std::strcmp(text, "IsEnabled") == 0 || std::strcmp(text, "ScreenReaderEnabled") == 0)
            return true;
    }
    return false;
}

// The reply to a read: the properties, or an error while the accessibility bus is not running.
void StatusRead(DBusPendingCall *read, void * /*data*/)
{
    const DBusLibrary &dbus = *g_watch.dbus;
    DBusMessage *reply = dbus.dbus_pending_call_steal_reply(read);
    if (read == g_watch.read) {
        dbus.dbus_pending_call_unref(g_watch.read);
        g_watch.read = nullptr;
    }
    if (reply == nullptr)
        return;
    DBusMessageIter properties;
    if (dbus.dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN &&
        dbus.dbus_message_iter_init(reply, &properties) != 0 && SetsEnabled(dbus, &properties))
        Want();
    dbus.dbus_message_unref(reply);
}

// Reads both properties in one call; an earlier read still on its way is dropped.
void ReadStatus()
{
    const DBusLibrary &dbus = *g_watch.dbus;
    if (g_watch.read != nullptr) {
        dbus.dbus_pending_call_cancel(g_watch.read);
        dbus.dbus_pending_call_unref(g_watch.read);
        g_watch.read = nullptr;
    }
    DBusMessage *message =
        dbus.dbus_message_new_method_call(kStatusBus, kStatusPath, DBUS_INTERFACE_PROPERTIES, "GetAll");
    if (message == nullptr)
        return;
    const char *interface = kStatusInterface;
    dbus.dbus_message_set_auto_start(message, FALSE);
    if (dbus.dbus_message_append_args(message, DBUS_TYPE_STRING, &interface, DBUS_TYPE_INVALID) != 0 &&
        dbus.dbus_connection_send_with_reply(g_watch.connection, message, &g_watch.read, DBUS_TIMEOUT_USE_DEFAULT) !=
            0 &&
        g_watch.read != nullptr && dbus.dbus_pending_call_set_notify(g_watch.read, StatusRead, nullptr, nullptr) == 0) {
        dbus.dbus_pending_call_cancel(g_watch.read);
        dbus.dbus_pending_call_unref(g_watch.read);
        g_watch.read = nullptr;
    }
    dbus.dbus_message_unref(message);
}

// The next string argument, or nullptr.
const char *NextString(const DBusLibrary &dbus, DBusMessageIter *arguments)
{
    if (dbus.dbus_message_iter_get_arg_type(arguments) != DBUS_TYPE_STRING)
        return nullptr;
    const char *text = nullptr;
    dbus.dbus_message_iter_get_basic(arguments, static_cast<void *>(&text));
    dbus.dbus_message_iter_next(arguments);
    return text;
}

DBusHandlerResult Filter(DBusConnection * /*connection*/, DBusMessage *message, void * /*data*/)
{
    const DBusLibrary &dbus = *g_watch.dbus;
    DBusMessageIter arguments;
    if (dbus.dbus_message_is_signal(message, DBUS_INTERFACE_LOCAL, "Disconnected") != 0) {
        // The session bus went away: there is nothing left to follow.
        Fl::add_timeout(0.0, CloseLater);
        return DBUS_HANDLER_RESULT_HANDLED;
    }
    if (dbus.dbus_message_iter_init(message, &arguments) == 0)
        return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    if (dbus.dbus_message_is_signal(message, DBUS_INTERFACE_DBUS, "NameOwnerChanged") != 0 &&
        dbus.dbus_message_has_sender(message, DBUS_SERVICE_DBUS) != 0) {
        const char *name = NextString(dbus, &arguments);
        const char *oldOwner = NextString(dbus, &arguments);
        const char *newOwner = NextString(dbus, &arguments);
        if (name != nullptr && oldOwner != nullptr && newOwner != nullptr && std::strcmp(name, kStatusBus) == 0 &&
            *newOwner != '\0')
            ReadStatus();
    } else if (dbus.dbus_message_is_signal(message, DBUS_INTERFACE_PROPERTIES, "PropertiesChanged") != 0 &&
               dbus.dbus_message_has_path(message, kStatusPath) != 0) {
        const char *interface = NextString(dbus, &arguments);
        if (interface == nullptr || std::strcmp(interface, kStatusInterface) != 0)
            return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
        if (SetsEnabled(dbus, &arguments))
            Want();
        else if (dbus.dbus_message_iter_next(&arguments) != 0 && NamesStatus(dbus, &arguments))
            ReadStatus();
    }
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
}

// Hello must be the first message on a bus; its reply is not waited for. The matches are in
// place before the first read, so that no change between them is missed.
bool Follow()
{
    const DBusLibrary &dbus = *g_watch.dbus;
    DBusMessage *hello =
        dbus.dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "Hello");
    if (hello == nullptr)
        return false;
    const bool sent = dbus.dbus_connection_send(g_watch.connection, hello, nullptr) != 0;
    dbus.dbus_message_unref(hello);
    if (!sent || dbus.dbus_connection_add_filter(g_watch.connection, Filter, nullptr, nullptr) == 0)
        return false;
    // Without an error to fill in, adding a match does not wait for the bus's answer.
    dbus.dbus_bus_add_match(g_watch.connection,
                            "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
                            "member='NameOwnerChanged',arg0='org.a11y.Bus'",
                            nullptr);
    dbus.dbus_bus_add_match(g_watch.connection,
                            "type='signal',sender='org.a11y.Bus',path='/org/a11y/bus',"
                            "interface='org.freedesktop.DBus.Properties',member='PropertiesChanged',"
                            "arg0='org.a11y.Status'",
                            nullptr);
    ReadStatus();
    return true;
}

// The window's first paint comes first: while FLTK has something to draw, or a window still
// waits for its first Expose event, the start waits in steps of 10 ms (a second at most).
void Start(void * /*data*/)
{
    constexpr int kMostWaits = 100;
    Fl::flush();
    if (Fl::damage() != 0 && g_watch.waits++ < kMostWaits) {
        Fl::add_timeout(0.01, Start);
        return;
    }
    g_watch.dbus = LoadDBusLibrary();
    if (g_watch.dbus == nullptr)
        return;
    const DBusLibrary &dbus = *g_watch.dbus;
    DBusError error;
    dbus.dbus_error_init(&error);
    g_watch.connection = dbus.dbus_connection_open_private(g_watch.address.c_str(), &error);
    dbus.dbus_error_free(&error);
    if (g_watch.connection == nullptr)
        return;
    if (!AttachToFltkLoop(dbus, g_watch.connection) || !Follow())
        Close();
}

} // namespace

void WatchAccessibilityStatus(void (*publish)(void *data), void *data)
{
    if (g_watch.started || publish == nullptr)
        return;
    g_watch.started = true;
    const char *noBridge = std::getenv("NO_AT_BRIDGE");
    if (noBridge != nullptr && std::strcmp(noBridge, "1") == 0)
        return;
    const char *address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!NamesRunningBus(address))
        return;
    g_watch.publish = publish;
    g_watch.data = data;
    g_watch.address = address;
    Fl::add_timeout(0.0, Start);
}

} // namespace fltkhost
