// A window for the start-up probe's tests, in one of two ways that the probe must see through:
//
//     probe_test_window late TITLE     maps an untitled window and gives it TITLE 200 ms later
//     probe_test_window foreign TITLE  maps a window of TITLE that names another process as its own
//
// It then waits until it is killed.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <thread>

int main(int argc, char **argv)
{
    const std::string_view mode = argc == 3 ? argv[1] : "";
    if (mode != "late" && mode != "foreign") {
        std::fprintf(stderr, "usage: probe_test_window late|foreign TITLE\n");
        return 2;
    }
    const std::string title = argv[2];
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 1;
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 200, 90, 0, 0, 0);
    if (mode == "foreign") {
        // The parent's process id: alive, and not this program's.
        const long owner = getppid();
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(&owner), 1);
        XStoreName(display, window, title.c_str());
    }
    XMapWindow(display, window);
    XFlush(display);
    if (mode == "late") {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        XStoreName(display, window, title.c_str());
        XFlush(display);
    }
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
    }
}
