// The built program as another X client sees it, with a real window manager (openbox) on the
// virtual display: its window's properties, and its ends with exit code 0. The program is
// started as a user starts it, with a command line that must change nothing.
// GoogleTest first: Xlib's headers define macros (None, Bool) that its names collide with.
#include <gtest/gtest.h>

#include "tests/fltk/icon_text.h"
#include "tests/fltk/x_keys.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const bool kFontPinned = setenv("FONTCONFIG_FILE", ZAHLIX_FONTS_CONF, 1) == 0;

bool WaitFor(const std::function<bool()> &condition, std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::vector<unsigned long> Cardinals(Display *display, Window window, const char *property, Atom type)
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(display, window, XInternAtom(display, property, False), 0, 1 << 16, False, type, &actualType,
                           &format, &count, &after, &data) == Success &&
        data != nullptr && format == 32) {
        const auto *longs = reinterpret_cast<const unsigned long *>(data);
        values.assign(longs, longs + count);
    }
    if (data != nullptr)
        XFree(data);
    return values;
}

std::string Utf8Property(Display *display, Window window, const char *property)
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    std::string text;
    if (XGetWindowProperty(display, window, XInternAtom(display, property, False), 0, 1024, False, AnyPropertyType,
                           &actualType, &format, &count, &after, &data) == Success &&
        data != nullptr && format == 8)
        text.assign(reinterpret_cast<const char *>(data), count);
    if (data != nullptr)
        XFree(data);
    return text;
}

bool HasAtom(Display *display, Window window, const char *property, const char *atom)
{
    const Atom wanted = XInternAtom(display, atom, False);
    const auto atoms = Cardinals(display, window, property, XA_ATOM);
    return std::any_of(atoms.begin(), atoms.end(), [wanted](unsigned long value) { return value == wanted; });
}

// A message to the root window, as pagers and taskbars ask the window manager for things.
void AskWindowManager(Display *display, Window window, const char *message, long first)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, message, False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = first;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(display, False);
}

// The program, started with a command line of toolkit options that it must ignore.
class Program {
public:
    Program()
    {
        std::vector<std::string> args{ZAHLIX_PROGRAM, "-display", ":9", "-geometry", "10x10+0+0", "-iconic", "--bogus"};
        std::vector<char *> argv;
        argv.reserve(args.size() + 1);
        for (auto &arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        m_started = posix_spawn(&m_pid, ZAHLIX_PROGRAM, nullptr, nullptr, argv.data(), environ) == 0;
    }
    ~Program()
    {
        if (m_started && !m_exit) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    bool Started() const { return m_started; }

    // The top-level window whose _NET_WM_PID is the program's, searched below the root (a
    // window manager reparents it into its frame), once it shows: the program creates it
    // unmapped, and a window manager takes no request about a window before it manages it.
    Window FindWindow(Display *display) const
    {
        Window found = 0;
        WaitFor([&] {
            found = Find(display, DefaultRootWindow(display));
            XWindowAttributes attributes{};
            return found != 0 && XGetWindowAttributes(display, found, &attributes) != 0 &&
                   attributes.map_state == IsViewable;
        });
        return found;
    }

    // The exit code, once the program has ended within the limit.
    std::optional<int> ExitCode()
    {
        WaitFor([&] {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid)
                m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return m_exit.has_value();
        });
        return m_exit;
    }

private:
    Window Find(Display *display, Window parent) const
    {
        Window root = 0;
        Window parentOut = 0;
        Window *children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, parent, &root, &parentOut, &children, &count) == 0)
            return 0;
        Window found = 0;
        for (unsigned i = 0; i < count && found == 0; ++i) {
            const auto pid = Cardinals(display, children[i], "_NET_WM_PID", XA_CARDINAL);
            if (pid.size() == 1 && static_cast<pid_t>(pid[0]) == m_pid)
                found = children[i];
            else
                found = Find(display, children[i]);
        }
        if (children != nullptr)
            XFree(children);
        return found;
    }

    pid_t m_pid = 0;
    bool m_started = false;
    std::optional<int> m_exit;
};

// Windows come and go while the test walks the tree (an earlier program's frame, say): a request
// about one that has just gone fails with BadWindow, which means only that it is not the one.
int IgnoreXErrors(Display * /*display*/, XErrorEvent * /*error*/)
{
    return 0;
}

class Blackbox : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kFontPinned);
        XSetErrorHandler(IgnoreXErrors);
        m_display = XOpenDisplay(nullptr);
        ASSERT_NE(m_display, nullptr) << "no display";
        ASSERT_TRUE(m_program.Started());
        m_window = m_program.FindWindow(m_display);
        ASSERT_NE(m_window, 0U) << "no window of the program appeared";
    }
    void TearDown() override
    {
        if (m_display != nullptr)
            XCloseDisplay(m_display);
    }

    Display *m_display = nullptr;
    Program m_program;
    Window m_window = 0;
};

TEST_F(Blackbox, WindowIsTitledFixedFrameCentredAboveOthersWithTheIcons)
{
    EXPECT_EQ(Utf8Property(m_display, m_window, "_NET_WM_NAME"), "Zahlix");
    EXPECT_EQ(Utf8Property(m_display, m_window, "WM_NAME"), "Zahlix");
    EXPECT_TRUE(WaitFor([&] { return HasAtom(m_display, m_window, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"); }))
        << "the window manager did not keep the window above others";

    // 129 x 52 dialog units in the pinned font's base units (7 x 14) at 96 dpi; the command
    // line's -geometry changed nothing.
    XWindowAttributes attributes{};
    ASSERT_NE(XGetWindowAttributes(m_display, m_window, &attributes), 0);
    EXPECT_EQ(attributes.width, 226);
    EXPECT_EQ(attributes.height, 91);
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_NE(XGetWMNormalHints(m_display, m_window, &hints, &supplied), 0);
    EXPECT_NE(hints.flags & PMinSize, 0);
    EXPECT_NE(hints.flags & PMaxSize, 0);
    EXPECT_EQ(hints.min_width, 226);
    EXPECT_EQ(hints.max_width, 226);
    EXPECT_EQ(hints.min_height, 91);
    EXPECT_EQ(hints.max_height, 91);
    EXPECT_TRUE(HasAtom(m_display, m_window, "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_MINIMIZE"));
    EXPECT_FALSE(HasAtom(m_display, m_window, "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_RESIZE"));

    // The whole window, frame included, centred in the work area as the dialog manager centres a
    // dialog, give or take the half pixel that an odd difference leaves: openbox told the frame's
    // extents before the window was mapped.
    const auto frame = Cardinals(m_display, m_window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
    ASSERT_EQ(frame.size(), 4U) << "no frame extents";
    const auto work = Cardinals(m_display, DefaultRootWindow(m_display), "_NET_WORKAREA", XA_CARDINAL);
    ASSERT_GE(work.size(), 4U) << "no work area";
    const auto left = static_cast<int>(frame[0]);
    const auto top = static_cast<int>(frame[2]);
    const int frameWidth = left + attributes.width + static_cast<int>(frame[1]);
    const int frameHeight = top + attributes.height + static_cast<int>(frame[3]);
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(m_display, m_window, DefaultRootWindow(m_display), 0, 0, &x, &y, &child);
    const auto workX = static_cast<int>(work[0]);
    const auto workY = static_cast<int>(work[1]);
    EXPECT_LE(std::abs(2 * (x - left - workX) + frameWidth - static_cast<int>(work[2])), 1) << "x " << x;
    EXPECT_LE(std::abs(2 * (y - top - workY) + frameHeight - static_cast<int>(work[3])), 1) << "y " << y;

    // _NET_WM_ICON: for each image its width, height, then ARGB pixels, top row first: the
    // picture of the icon text at 32 x 32, and enlarged twice and four times for scaled taskbars.
    const auto icon = Cardinals(m_display, m_window, "_NET_WM_ICON", XA_CARDINAL);
    const auto rows = ReadIconText();
    ASSERT_EQ(rows.size(), 32U);
    std::size_t at = 0;
    for (const std::size_t size : {32U, 64U, 128U}) {
        ASSERT_GE(icon.size(), at + 2 + size * size) << "no " << size << " x " << size << " image";
        EXPECT_EQ(icon[at], size);
        EXPECT_EQ(icon[at + 1], size);
        const std::size_t factor = size / 32;
        int wrong = 0;
        for (std::size_t i = 0; i < size * size; ++i) {
            const auto pixel = static_cast<std::uint32_t>(icon[at + 2 + i] & 0xFFFFFFFFU);
            const bool transparent = (pixel >> 24U) == 0;
            const char letter = rows[i / size / factor][i % size / factor];
            wrong += IconLetterArgb(letter) == (transparent ? 0 : pixel) ? 0 : 1;
        }
        EXPECT_EQ(wrong, 0) << "pixels of the " << size << " x " << size << " window icon differ from the icon text";
        at += 2 + size * size;
    }
    EXPECT_EQ(icon.size(), at);

    xkeys::Tap(m_display, XK_Escape);
    EXPECT_EQ(m_program.ExitCode(), 0);
}

struct CloseCase {
    const char *name;
    void (*close)(Display *display, Window window);
};

void PrintTo(const CloseCase &param, std::ostream *out)
{
    *out << param.name;
}

class Closing : public Blackbox, public testing::WithParamInterface<CloseCase> {};

TEST_P(Closing, EndsTheProgramWithExitCodeZero)
{
    AskWindowManager(m_display, m_window, "_NET_ACTIVE_WINDOW", 2);
    ASSERT_TRUE(WaitFor([&] {
        const auto active = Cardinals(m_display, DefaultRootWindow(m_display), "_NET_ACTIVE_WINDOW", XA_WINDOW);
        return active.size() == 1 && active[0] == m_window;
    })) << "the window did not become active";
    GetParam().close(m_display, m_window);
    EXPECT_EQ(m_program.ExitCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Blackbox, Closing,
    testing::Values(CloseCase{"Escape", [](Display *d, Window) { xkeys::Tap(d, XK_Escape); }},
                    // openbox's own binding: it sends WM_DELETE_WINDOW, as for its close button.
                    CloseCase{"AltF4", [](Display *d, Window) { xkeys::Tap(d, XK_F4, xkeys::kAlt); }},
                    // The close button's request, as a taskbar sends it: WM_DELETE_WINDOW again.
                    CloseCase{"CloseRequest",
                              [](Display *d, Window w) { AskWindowManager(d, w, "_NET_CLOSE_WINDOW", 0); }}),
    [](const testing::TestParamInfo<CloseCase> &info) { return info.param.name; });

} // namespace
