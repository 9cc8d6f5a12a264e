// The window on today's desktops: laid out for the desktop's scale (Xft.dpi), and placed without
// a window manager, or with one that never tells its frame, as the dialog manager places a
// centred dialog. Under Xvfb with the pinned font of fonts.conf and no window manager; the frame
// centred by openbox is the black-box test's.
// GoogleTest first: Xlib's headers define macros (None, Bool) that its names collide with.
#include <gtest/gtest.h>

#include "platform/fltk/dialog_window.h"
#include "platform/fltk/x11/layout_dpi.h"
#include "platform/fltk/x11/no_maximise.h"
#include "platform/fltk/x11/startup_notification.h"
#include "platform/fltk/x11/window_frame.h"
#include "platform/fltk/x11/work_area.h"
#include "tests/dialog/fields.h"
#include "tests/dialog/user.h"
#include "tests/fltk/user_fltk.h"

#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace fltkhost {

void PrintTo(const PixelPoint &point, std::ostream *out)
{
    *out << point.x << "," << point.y;
}

void PrintTo(const PixelRect &r, std::ostream *out)
{
    *out << r.x << "," << r.y << " " << r.w << "x" << r.h;
}

} // namespace fltkhost

namespace {

using namespace std::chrono_literals;

const bool kFontPinned = setenv("FONTCONFIG_FILE", ZAHLIX_FONTS_CONF, 1) == 0;

TEST(LayoutDpi, IsXftDpiWhereXftFindsIt)
{
    const struct {
        const char *resources;
        std::optional<double> dpi;
    } cases[] = {
        {"Xft.dpi:\t144\n", 144},
        {"Xft.antialias:\t1\nXft.dpi:\t105.6\nXft.hinting:\t1\n", 105.6}, // GNOME's text scale 1.1
        {"*dpi: 120\n", 120},                                             // a loose binding matches too
        {"! Xft.dpi: 144\n", std::nullopt},                               // a comment
        {"Xft.dpi: 144dpi\n", std::nullopt},
        {"Xft.dpi: 1,5\n", std::nullopt}, // no locale's decimal comma
        {"Xft.dpi: nan\n", std::nullopt},
        {"Xft.dpi: 48\n", 48},
        {"Xft.dpi: 480\n", 480},
        {"Xft.dpi: 1e9\n", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fltkhost::XftDpi(c.resources), c.dpi) << c.resources;
    EXPECT_EQ(fltkhost::FontPixelSize(8, 105.6), 12); // 11.73 px
    EXPECT_EQ(fltkhost::FontPixelSize(8, 192), 21);   // 21.33 px
}

// A launcher's id: the launch's time in its _TIME suffix, and the message that ends the launch,
// quoted so that a launcher reads the id back whole.
TEST(StartupNotification, LaunchTimeAndRemoveMessageFollowTheId)
{
    const struct {
        const char *id;
        std::optional<Time> time;
        const char *message;
    } cases[] = {
        {"zahlix-7_TIME4294967295", 4294967295, R"(remove: ID="zahlix-7_TIME4294967295")"},
        {"a_TIME1_TIME23", 23, R"(remove: ID="a_TIME1_TIME23")"},               // the last suffix counts
        {"a_TIME4294967296", std::nullopt, R"(remove: ID="a_TIME4294967296")"}, // more than 32 bits
        {"a_TIME", std::nullopt, R"(remove: ID="a_TIME")"},
        {"a_TIME12x", std::nullopt, R"(remove: ID="a_TIME12x")"},
        {"a_TIME+12", std::nullopt, R"(remove: ID="a_TIME+12")"},
        {"a_TIME0", std::nullopt, R"(remove: ID="a_TIME0")"}, // no time, as GTK takes it
        {"kde 1/2_TIME9", 9, R"(remove: ID="kde 1/2_TIME9")"},
        {R"(q"uo\te_TIME5)", 5, R"(remove: ID="q\"uo\\te_TIME5")"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(fltkhost::LaunchTime(c.id), c.time) << c.id;
        EXPECT_EQ(fltkhost::RemoveMessage(c.id), c.message);
    }
}

// The work area's middle for the whole window (the placement tests see the usual cases on real
// displays); a window larger than the work area keeps its frame's top left corner inside it.
TEST(WindowFrame, CentredOriginCentresTheWholeWindow)
{
    const struct {
        fltkhost::PixelRect work;
        int w, h;
        fltkhost::FrameExtents frame;
        fltkhost::PixelPoint expected;
    } cases[] = {
        {{100, 30, 1180, 994}, 226, 91, {4, 4, 30, 4}, {577, 494}}, // a panel above and one to the left
        {{0, 30, 400, 300}, 419, 320, {1, 1, 20, 1}, {1, 50}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fltkhost::CentredOrigin(c.work, c.w, c.h, c.frame), c.expected) << c.w << " x " << c.h;
}

// Two monitors side by side on one screen, as `xrandr --setmonitor` splits it.
constexpr fltkhost::PixelRect kScreen{0, 0, 2560, 800};
constexpr fltkhost::PixelRect kLeft{0, 0, 1280, 800};
constexpr fltkhost::PixelRect kRight{1280, 0, 1280, 800};
constexpr fltkhost::PixelPoint kOnRight{2000, 400};

// The monitor where the user is, and the window manager's work area on it.
TEST(WorkArea, IsTheWindowManagersOnTheMonitorOfThePointer)
{
    constexpr auto no = std::nullopt;
    const struct {
        const char *name;
        fltkhost::DesktopLayout layout; // screen, monitors, primary, pointer; the window manager's
                                        // rectangles listed, a monitor, _NET_WORKAREA, desktop
        fltkhost::PixelRect expected;
    } cases[] = {
        {"pointer on the right", {kScreen, {kLeft, kRight}, no, kOnRight, false, {}, {}, 0}, kRight},
        {"pointer on another screen: the primary", {kScreen, {kLeft, kRight}, 1, no, false, {}, {}, 0}, kRight},
        {"no primary: the first listed", {kScreen, {kRight, kLeft}, no, no, false, {}, {}, 0}, kRight},
        {"pointer off every monitor: the primary",
         {{0, 0, 2560, 1024}, {kLeft, kRight}, 1, {{100, 900}}, false, {}, {}, 0},
         kRight},
        {"no monitors: the screen, cut by _NET_WORKAREA as before",
         {{0, 0, 1280, 1024}, {}, no, {{5, 5}}, false, {}, {0, 30, 1280, 994}, 0},
         {0, 30, 1280, 994}},
        // mutter under Xvfb: one rectangle for the whole screen, a dock's strip cut off its top.
        {"one rectangle for both monitors",
         {kScreen, {kLeft, kRight}, no, kOnRight, true, {0, 48, 2560, 752}, {0, 48, 2560, 752}, 0},
         {1280, 48, 1280, 752}},
        {"a rectangle a monitor, in another order than RandR's",
         {kScreen,
          {kLeft, kRight},
          no,
          {{10, 700}},
          true,
          {1280, 0, 1280, 800, 0, 48, 1280, 752},
          {0, 0, 2560, 800},
          0},
         {0, 48, 1280, 752}},
        {"a rectangle a monitor before _NET_WORKAREA",
         {kScreen, {kLeft, kRight}, no, kOnRight, true, {0, 0, 1280, 800, 1280, 0, 1280, 770}, {0, 48, 2560, 752}, 0},
         {1280, 0, 1280, 770}},
        {"rectangles left by a window manager that does not list them",
         {kScreen, {kLeft, kRight}, no, kOnRight, false, {0, 0, 1280, 800, 1280, 0, 1280, 770}, {0, 48, 2560, 752}, 0},
         {1280, 48, 1280, 752}},
        {"no rectangle on the monitor: _NET_WORKAREA",
         {kScreen, {kLeft, kRight}, no, kOnRight, true, {0, 0, 1280, 770}, {0, 0, 2560, 740}, 0},
         {1280, 0, 1280, 740}},
        {"the current desktop's _NET_WORKAREA",
         {kScreen, {kLeft, kRight}, no, kOnRight, false, {}, {0, 0, 2560, 800, 0, 30, 2560, 770}, 1},
         {1280, 30, 1280, 770}},
        {"a desktop that _NET_WORKAREA does not list: the monitor",
         {kScreen, {kLeft, kRight}, no, kOnRight, false, {}, {0, 30, 2560, 770}, 0x4000'0000'0000'0001},
         kRight},
        {"_NET_WORKAREA off the monitor: the monitor",
         {kScreen, {kLeft, kRight}, no, kOnRight, false, {}, {0, 30, 1280, 770}, 0},
         kRight},
        {"a work area beyond 32 bits' reach: the monitor",
         {kScreen, {kLeft, kRight}, no, kOnRight, false, {}, {0xFFFF'FFFF, 0, 0xFFFF'FFFF, 800}, 0},
         kRight},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fltkhost::ChosenWorkArea(c.layout), c.expected) << c.name;
}

// Sets a property of the root window for as long as it lives, through a connection of its own,
// and deletes it afterwards, so that a failing test leaves the display as it found it.
class RootProperty {
public:
    RootProperty(const char *name, Atom type, int format, const void *data, int count)
        : m_display(XOpenDisplay(nullptr)), m_property(XInternAtom(m_display, name, False))
    {
        XChangeProperty(m_display, DefaultRootWindow(m_display), m_property, type, format, PropModeReplace,
                        static_cast<const unsigned char *>(data), count);
        XSync(m_display, False);
    }
    ~RootProperty()
    {
        XDeleteProperty(m_display, DefaultRootWindow(m_display), m_property);
        XCloseDisplay(m_display);
    }
    RootProperty(const RootProperty &) = delete;
    RootProperty &operator=(const RootProperty &) = delete;

private:
    Display *m_display;
    Atom m_property;
};

// The root window's _NET_SUPPORTED listing _NET_REQUEST_FRAME_EXTENTS, as a window manager that
// offers the request sets it.
void ListFrameRequest(std::optional<RootProperty> &supported)
{
    Display *display = XOpenDisplay(nullptr);
    const long request = static_cast<long>(XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False));
    XCloseDisplay(display);
    supported.emplace("_NET_SUPPORTED", XA_ATOM, 32, &request, 1);
}

fltkhost::PixelRect WorkArea()
{
    fltkhost::PixelRect work;
    Fl::screen_work_area(work.x, work.y, work.w, work.h, 0);
    return work;
}

// Where the window's client area is on the screen.
fltkhost::PixelPoint ClientOrigin(const Fl_Window &window)
{
    fltkhost::PixelPoint at;
    ::Window child = 0;
    XTranslateCoordinates(fl_display, fl_xid(&window), DefaultRootWindow(fl_display), 0, 0, &at.x, &at.y, &child);
    return at;
}

void Play(const user::Scenario &scenario)
{
    const auto run = user::RunProgram(scenario);
    EXPECT_TRUE(run.scenarioRan);
    EXPECT_EQ(run.result, 0);
}

fltkhost::DialogWindow &Shown()
{
    return *user::ShownDialogWindow();
}

// Every visible control's text fits its rectangle: a label's line, and an edit's line within its
// frame.
void ExpectTextsFit(const fltkhost::DialogWindow &window)
{
    for (int i = 0; i < window.children(); ++i) {
        const Fl_Widget *widget = window.child(i);
        if (widget->visible() == 0)
            continue;
        int w = 0;
        int h = 0;
        if (const auto *input = dynamic_cast<const Fl_Input *>(widget)) {
            fl_font(input->textfont(), input->textsize());
            h = fl_height() + Fl::box_dh(input->box());
        } else if (widget->label() != nullptr) {
            fl_font(widget->labelfont(), widget->labelsize());
            fl_measure(widget->label(), w, h, 0);
        }
        const char *name = widget->label() != nullptr ? widget->label() : "an edit";
        EXPECT_LE(w, widget->w()) << name << " at " << window.Dpi() << " dpi";
        EXPECT_LE(h, widget->h()) << name << " at " << window.Dpi() << " dpi";
    }
}

// At 100%, 150% and 200% scale the window grows by about the scale (at these two somewhat less,
// as the font's whole-pixel size and the base units measured from it give), and its text stays
// inside every control.
class Scaled : public testing::TestWithParam<int> {};

TEST_P(Scaled, WindowGrowsWithTheDesktopsScaleAndTextsFit)
{
    ASSERT_TRUE(kFontPinned);
    const int dpi = GetParam();
    const std::string resources = "Xft.dpi:\t" + std::to_string(dpi) + "\n";
    const RootProperty set("RESOURCE_MANAGER", XA_STRING, 8, resources.data(), static_cast<int>(resources.size()));
    Play([&](HWND /*hDlg*/) {
        const fltkhost::DialogWindow &window = Shown();
        EXPECT_EQ(window.Dpi(), dpi);
        const double scale = dpi / 96.0;
        // 226 x 91 at 96 dpi, as the host's own test finds.
        EXPECT_GE(window.w(), 0.88 * scale * 226);
        EXPECT_LE(window.w(), 1.05 * scale * 226);
        EXPECT_GE(window.h(), 0.88 * scale * 91);
        EXPECT_LE(window.h(), 1.05 * scale * 91);
        ExpectTextsFit(window);
        std::printf("at %d dpi: font %d px, window %d x %d\n", dpi, window.FontSize(), window.w(), window.h());
        user::Press(user::Key::Escape);
    });
}

INSTANTIATE_TEST_SUITE_P(FltkHost, Scaled, testing::Values(96, 144, 192),
                         [](const testing::TestParamInfo<int> &info) { return std::to_string(info.param) + "Dpi"; });

struct FallbackCase {
    const char *name;
    bool listsRequest; // the root window's _NET_SUPPORTED lists _NET_REQUEST_FRAME_EXTENTS
    bool asked;
    std::chrono::milliseconds leastWait; // from the request to giving up
    std::chrono::milliseconds mostWait;
};

void PrintTo(const FallbackCase &param, std::ostream *out)
{
    *out << param.name;
}

class Fallback : public testing::TestWithParam<FallbackCase> {};

// Where no frame's extents come, the client area is centred in the work area, with CenterGravity
// for a window manager to centre the frame on it: at once without a window manager, and after the
// bounded wait where one lists the request but never answers (this display has none: the test
// lists it on the root window itself).
TEST_P(Fallback, ClientAreaIsCentredWithoutTheFramesExtents)
{
    const FallbackCase &param = GetParam();
    std::optional<RootProperty> supported;
    if (param.listsRequest)
        ListFrameRequest(supported);
    Play([&](HWND /*hDlg*/) {
        const fltkhost::DialogWindow &window = Shown();
        const fltkhost::Placement &placed = window.Placed();
        EXPECT_EQ(placed.asked, param.asked);
        EXPECT_FALSE(placed.frame.has_value());
        EXPECT_GE(placed.sinceRequest, param.leastWait);
        EXPECT_LE(placed.sinceRequest, param.mostWait);
        EXPECT_LE(placed.waited, placed.sinceRequest);

        const fltkhost::PixelRect work = WorkArea();
        const auto [x, y] = ClientOrigin(window);
        EXPECT_LE(std::abs(2 * (x - work.x) + window.w() - work.w), 1) << "x " << x;
        EXPECT_LE(std::abs(2 * (y - work.y) + window.h() - work.h), 1) << "y " << y;
        XSizeHints hints{};
        long supplied = 0;
        ASSERT_NE(XGetWMNormalHints(fl_display, fl_xid(&window), &hints, &supplied), 0);
        EXPECT_EQ(hints.win_gravity, CenterGravity);
        EXPECT_EQ(hints.flags & (USPosition | PWinGravity), USPosition | PWinGravity);
        EXPECT_EQ(std::pair(hints.x, hints.y), std::pair(x, y));
        user::Press(user::Key::Escape);
    });
}

INSTANTIATE_TEST_SUITE_P(FltkHost, Fallback,
                         testing::Values(FallbackCase{"NoWindowManager", false, false, 0ms, 0ms},
                                         FallbackCase{"SilentWindowManager", true, true, fltkhost::kFrameExtentsWait,
                                                      500ms}),
                         [](const testing::TestParamInfo<FallbackCase> &info) { return info.param.name; });

// A window manager that does no more than tell a frame, on a connection and a thread of its own:
// it answers _NET_REQUEST_FRAME_EXTENTS with `told` (or never), maps the window as asked and then
// publishes the extents of the frame it "draws", `drawn`, after `drawnAfter`, first giving the
// window the place and size `maximised` where there is one; it grants every move as asked. The
// frame is not drawn: the window's place with the extents says where it is. Two that fight:
// one sets the maximised state at `drawnAfter` and again on each request to remove it, for
// `insistsFor`; one tells `drawn` and `told` in turn, a change every millisecond, for
// `flickersFor`, and then `drawn`. It counts those requests and the window's moves after the map.
struct Frames {
    std::optional<fltkhost::FrameExtents> told;
    fltkhost::FrameExtents drawn;
    std::chrono::milliseconds drawnAfter;
    std::optional<fltkhost::PixelRect> maximised;
    std::chrono::milliseconds insistsFor;
    std::chrono::milliseconds flickersFor;
};

class FrameTeller {
public:
    explicit FrameTeller(const Frames &frames) : m_frames(frames), m_display(XOpenDisplay(nullptr))
    {
        XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureRedirectMask);
        XSync(m_display, False);
        m_thread = std::thread([this] { Run(); });
    }
    ~FrameTeller()
    {
        m_stop = true;
        m_thread.join();
        XCloseDisplay(m_display);
    }
    FrameTeller(const FrameTeller &) = delete;
    FrameTeller &operator=(const FrameTeller &) = delete;

    int Moves() const { return m_moves; }
    int StateRequests() const { return m_stateRequests; }

private:
    void Tell(Window window, const fltkhost::FrameExtents &frame)
    {
        const long items[4] = {frame.left, frame.right, frame.top, frame.bottom};
        XChangeProperty(m_display, window, XInternAtom(m_display, "_NET_FRAME_EXTENTS", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char *>(items), 4);
        XFlush(m_display);
    }

    void Maximise(Window window)
    {
        const long state[2] = {static_cast<long>(m_vertical), static_cast<long>(m_horizontal)};
        XChangeProperty(m_display, window, m_state, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(state), 2);
        XFlush(m_display);
    }

    bool AsksToRestore(const XClientMessageEvent &message) const
    {
        const auto maximised = [&](long atom) {
            return atom == static_cast<long>(m_vertical) || atom == static_cast<long>(m_horizontal);
        };
        return message.message_type == m_state && message.data.l[0] == 0 &&
               (maximised(message.data.l[1]) || maximised(message.data.l[2]));
    }

    void Run()
    {
        using Clock = std::chrono::steady_clock;
        const Atom request = XInternAtom(m_display, "_NET_REQUEST_FRAME_EXTENTS", False);
        Window mapped = 0; // until the frame is drawn
        Window shown = 0;
        Clock::time_point drawAt;
        Clock::time_point insistUntil;
        Clock::time_point flickerUntil;
        Clock::time_point nextFlicker;
        bool flickerTold = false;
        while (!m_stop) {
            const auto now = Clock::now();
            if (mapped != 0 && now >= drawAt) {
                if (const auto &at = m_frames.maximised)
                    XMoveResizeWindow(m_display, mapped, at->x, at->y, static_cast<unsigned>(at->w),
                                      static_cast<unsigned>(at->h));
                if (m_frames.insistsFor.count() > 0)
                    Maximise(mapped);
                Tell(mapped, m_frames.drawn);
                insistUntil = now + m_frames.insistsFor;
                flickerUntil = now + m_frames.flickersFor;
                nextFlicker = now + 1ms;
                mapped = 0;
            }
            // By the clock, not by the changes made: a thread that falls behind under load must
            // not go on changing the extents of a window that the scenario has ended.
            const bool flickering = shown != 0 && mapped == 0 && now < flickerUntil;
            if (flickering && now >= nextFlicker) {
                flickerTold = !flickerTold;
                Tell(shown, flickerTold ? m_frames.told.value_or(fltkhost::FrameExtents{}) : m_frames.drawn);
                nextFlicker = now + 1ms;
            } else if (!flickering && flickerTold && shown != 0) {
                Tell(shown, m_frames.drawn);
                flickerTold = false;
            }
            if (XPending(m_display) == 0) {
                pollfd connection{ConnectionNumber(m_display), POLLIN, 0};
                poll(&connection, 1, flickering ? 1 : 5);
                continue;
            }
            XEvent event{};
            XNextEvent(m_display, &event);
            if (event.type == ClientMessage && event.xclient.message_type == request && m_frames.told) {
                Tell(event.xclient.window, *m_frames.told);
            } else if (event.type == ClientMessage && AsksToRestore(event.xclient)) {
                ++m_stateRequests;
                if (Clock::now() < insistUntil)
                    Maximise(event.xclient.window);
            } else if (event.type == MapRequest) {
                XMapWindow(m_display, event.xmaprequest.window);
                XFlush(m_display);
                mapped = shown = event.xmaprequest.window;
                drawAt = Clock::now() + m_frames.drawnAfter;
            } else if (event.type == ConfigureRequest) {
                const XConfigureRequestEvent &asked = event.xconfigurerequest;
                if (asked.window == shown && (asked.value_mask & (CWX | CWY)) != 0)
                    ++m_moves;
                XWindowChanges changes{asked.x,     asked.y,     asked.width, asked.height, asked.border_width,
                                       asked.above, asked.detail};
                XConfigureWindow(m_display, asked.window, static_cast<unsigned>(asked.value_mask), &changes);
                XFlush(m_display);
            }
        }
    }

    Frames m_frames;
    Display *m_display;
    Atom m_state = XInternAtom(m_display, "_NET_WM_STATE", False);
    Atom m_vertical = XInternAtom(m_display, "_NET_WM_STATE_MAXIMIZED_VERT", False);
    Atom m_horizontal = XInternAtom(m_display, "_NET_WM_STATE_MAXIMIZED_HORZ", False);
    std::atomic<int> m_moves{0};
    std::atomic<int> m_stateRequests{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

struct SettlingCase {
    const char *name;
    Frames frames;
    bool recentred; // centred for the frame drawn; else it stays where it was put
    int mostMoves;  // after the map
    int mostStateRequests;
};

void PrintTo(const SettlingCase &param, std::ostream *out)
{
    *out << param.name;
}

class FrameSettles : public testing::TestWithParam<SettlingCase> {};

// A frame other than the one told before the map puts the window again, centred for it, while the
// window manager settles the frame; a later one leaves it where it is. A window manager that
// fights the window gets a few requests and moves, and then its way; the window stays usable.
TEST_P(FrameSettles, WindowIsCentredForTheFrameDrawn)
{
    const SettlingCase &param = GetParam();
    std::optional<RootProperty> supported;
    ListFrameRequest(supported);
    const FrameTeller manager(param.frames);
    Play([&](HWND hDlg) {
        fltkhost::DialogWindow &window = Shown();
        // The program asks for this once the window is mapped, which is after the scenario has
        // started here: asked now, the window refuses the state while the scenario runs.
        fltkhost::RefuseMaximising(fl_xid(&window));
        const fltkhost::FrameExtents &frame =
            param.recentred ? param.frames.drawn : param.frames.told.value_or(fltkhost::FrameExtents{});
        const auto &maximised = param.frames.maximised;
        const fltkhost::PixelPoint expected = maximised
                                                  ? fltkhost::PixelPoint{maximised->x, maximised->y}
                                                  : fltkhost::CentredOrigin(WorkArea(), window.w(), window.h(), frame);
        // Until the frame has been drawn, any fight is over, and the window has had the time to
        // answer.
        const auto busy = std::chrono::steady_clock::now() + param.frames.drawnAfter +
                          std::max(param.frames.insistsFor, param.frames.flickersFor);
        const auto until = busy + 300ms;
        for (auto now = std::chrono::steady_clock::now();
             now < until && (now < busy || !param.recentred || ClientOrigin(window) != expected);
             now = std::chrono::steady_clock::now()) {
            Fl::wait(0.02);
            user::Settle();
        }
        EXPECT_EQ(ClientOrigin(window), expected);
        std::printf("%s: %d moves, %d requests to restore\n", param.name, manager.Moves(), manager.StateRequests());
        EXPECT_LE(manager.Moves(), param.mostMoves);
        EXPECT_LE(manager.StateRequests(), param.mostStateRequests);
        if (param.frames.insistsFor.count() > 0) {
            EXPECT_GE(manager.StateRequests(), 1) << "the maximised state was never refused";
        }
        EXPECT_TRUE(window.Mapped());
        user::Type("42");
        EXPECT_EQ(FieldText(hDlg, IDC_HEX), "2A");
        user::Press(user::Key::Escape);
    });
}

INSTANTIATE_TEST_SUITE_P(
    FltkHost, FrameSettles,
    testing::Values(
        // mutter 48's first window: no frame until its frames client has made one, then a title bar.
        SettlingCase{"NoFrameToldTitleBarDrawn",
                     {fltkhost::FrameExtents{}, {0, 0, 39, 0}, 30ms, std::nullopt, 0ms, 0ms},
                     true,
                     1,
                     0},
        // fluxbox: a handle told, which a window that cannot be resized does not get.
        SettlingCase{"HandleToldNotDrawn",
                     {fltkhost::FrameExtents{1, 1, 20, 4}, {1, 1, 20, 1}, 10ms, std::nullopt, 0ms, 0ms},
                     true,
                     1,
                     0},
        // An answer after the start's wait: the gravity placed the window, the extents correct it.
        SettlingCase{"NothingToldFrameDrawn", {std::nullopt, {4, 4, 24, 4}, 10ms, std::nullopt, 0ms, 0ms}, true, 1, 0},
        // A theme changed later: the user may have put the window where it is.
        SettlingCase{"FrameChangedLater",
                     {fltkhost::FrameExtents{1, 1, 20, 1},
                      {1, 1, 30, 1},
                      fltkhost::kFrameSettles + 200ms,
                      std::nullopt,
                      0ms,
                      0ms},
                     false,
                     0,
                     0},
        // fluxbox maximises on a taskbar's request, dropping the border: the window is where it put it.
        SettlingCase{
            "MaximisedSoonAfterTheMap",
            {fltkhost::FrameExtents{1, 1, 20, 1}, {0, 0, 19, 0}, 30ms, fltkhost::PixelRect{0, 19, 640, 461}, 0ms, 0ms},
            false,
            0,
            0},
        // Maximised again on each request to restore: three requests in ten seconds, then its state stands.
        SettlingCase{"MaximisedOnEveryRestore",
                     {fltkhost::FrameExtents{1, 1, 20, 1}, {1, 1, 20, 1}, 30ms, std::nullopt, 3000ms, 0ms},
                     false,
                     0,
                     3},
        // Extents that change every millisecond after the map: five moves, the last for the frame drawn.
        SettlingCase{"ExtentsChangeEveryMillisecond",
                     {fltkhost::FrameExtents{1, 1, 20, 1}, {1, 1, 40, 1}, 0ms, std::nullopt, 0ms, 3000ms},
                     true,
                     5,
                     0}),
    [](const testing::TestParamInfo<SettlingCase> &info) { return info.param.name; });

} // namespace
