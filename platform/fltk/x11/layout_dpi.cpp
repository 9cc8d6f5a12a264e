// Reads the desktop's scale from the root window's resources, with Xlib's own resource manager,
// so that a value is found wherever Xft itself would find it ("Xft.dpi", "*dpi" and the like).
#include "platform/fltk/x11/layout_dpi.h"

#include <X11/Xatom.h>
#include <X11/Xresource.h>

#include <charconv>
#include <string_view>

namespace fltkhost {

namespace {

constexpr double kLeastDpi = 48;
constexpr double kMostDpi = 480;
constexpr double kDefaultDpi = 96;

// The whole text of the root window's RESOURCE_MANAGER. Read afresh rather than from the copy
// that Xlib took when the display was opened: the value is the one at the window's creation.
std::string ResourceManagerText(Display *display)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    std::string text;
    if (XGetWindowProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, 0, 1L << 20, False, XA_STRING,
                           &type, &format, &count, &after, &data) == Success &&
        data != nullptr && format == 8)
        text.assign(reinterpret_cast<const char *>(data), count);
    if (data != nullptr)
        XFree(data);
    return text;
}

} // namespace

std::optional<double> XftDpi(const std::string &resources)
{
    XrmInitialize();
    XrmDatabase database = XrmGetStringDatabase(resources.c_str());
    if (database == nullptr)
        return std::nullopt;
    char *type = nullptr;
    XrmValue value{};
    std::optional<double> dpi;
    if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) == True && value.addr != nullptr) {
        std::string_view text(value.addr);
        const std::size_t last = text.find_last_not_of(" \t");
        text = last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
        double number = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (error == std::errc{} && end == text.data() + text.size() && number >= kLeastDpi && number <= kMostDpi)
            dpi = number;
    }
    XrmDestroyDatabase(database);
    return dpi;
}

double LayoutDpi(Display *display)
{
    // The screen's millimetres are not a scale: XWayland reports 0, -1 or one millimetre a pixel,
    // and a monitor's true size says how far apart its pixels are, not how large text should be.
    return XftDpi(ResourceManagerText(display)).value_or(kDefaultDpi);
}

} // namespace fltkhost
