// Loading libdbus by its run-time name. Lazy binding: only the functions called are resolved.
#include "platform/fltk/a11y/dbus_library.h"

#include <dlfcn.h>

namespace fltkhost {

namespace {

DBusLibrary Load()
{
    DBusLibrary library;
    void *handle = dlopen("libdbus-1.so.3", RTLD_LAZY | RTLD_LOCAL);
    if (handle == nullptr)
        return library;
    bool complete = true;
    // The cast from an object pointer to a function pointer is what dlsym's contract promises.
#define ZAHLIX_DBUS_RESOLVE(name)                                                                                      \
    library.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name));                                          \
    complete = complete && library.name != nullptr;
    ZAHLIX_DBUS_FUNCTIONS(ZAHLIX_DBUS_RESOLVE)
#undef ZAHLIX_DBUS_RESOLVE
    if (!complete)
        library = DBusLibrary{};
    return library;
}

} // namespace

const DBusLibrary *LoadDBusLibrary()
{
    static const DBusLibrary library = Load();
    return library.dbus_connection_open_private != nullptr ? &library : nullptr;
}

} // namespace fltkhost
