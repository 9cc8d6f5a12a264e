// The id comes in the environment and goes out in a window property and in ClientMessages to the
// root window, which launchers read by selecting PropertyChangeMask there.
#include "platform/fltk/x11/startup_notification.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace fltkhost {

std::string TakeStartupId()
{
    const char *value = std::getenv("DESKTOP_STARTUP_ID");
    std::string id = value != nullptr ? value : "";
    unsetenv("DESKTOP_STARTUP_ID");
    return id;
}

std::optional<Time> LaunchTime(std::string_view id)
{
    constexpr std::string_view kSuffix = "_TIME";
    const std::size_t at = id.rfind(kSuffix);
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::string_view digits = id.substr(at + kSuffix.size());
    const char *end = digits.data() + digits.size();
    std::uint32_t time = 0;
    const auto [stop, error] = std::from_chars(digits.data(), end, time);
    if (digits.empty() || error != std::errc() || stop != end || time == 0)
        return std::nullopt;
    return time;
}

std::string RemoveMessage(std::string_view id)
{
    std::string message = "remove: ID=\"";
    for (const char c : id) {
        if (c == '"' || c == '\\')
            message.push_back('\\');
        message.push_back(c);
    }
    message.push_back('"');
    return message;
}

void TellStartupId(Display *display, Window window, const std::string &id)
{
    if (id.empty())
        return;
    XChangeProperty(display, window, XInternAtom(display, "_NET_STARTUP_ID", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(id.data()), static_cast<int>(id.size()));
    if (const auto time = LaunchTime(id)) {
        const long value = static_cast<long>(*time); // Xlib hands 32-bit items as longs
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_USER_TIME", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char *>(&value), 1);
    }
}

void EndStartup(Display *display, Window window, const std::string &id)
{
    const std::string message = RemoveMessage(id);
    const std::size_t length = message.size() + 1; // the terminating NUL ends the message
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.format = 8;
    event.xclient.message_type = XInternAtom(display, "_NET_STARTUP_INFO_BEGIN", False);
    constexpr std::size_t kPiece = sizeof event.xclient.data.b;
    for (std::size_t at = 0; at < length; at += kPiece) {
        std::memset(event.xclient.data.b, 0, kPiece);
        const std::size_t left = message.size() - std::min(at, message.size());
        std::memcpy(event.xclient.data.b, message.data() + at, std::min(kPiece, left));
        XSendEvent(display, DefaultRootWindow(display), False, PropertyChangeMask, &event);
        event.xclient.message_type = XInternAtom(display, "_NET_STARTUP_INFO", False);
    }
    XFlush(display);
}

} // namespace fltkhost
