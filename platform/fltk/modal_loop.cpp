// The modal run on a real display: the dialog shown in an FLTK window, FLTK's event loop
// delivering the user's input until EndDialog.
#include "platform/fltk/a11y/accessibility.h"
#include "platform/fltk/a11y/accessibility_status.h"
#include "platform/fltk/dialog_window.h"
#include "platform/fltk/x11/startup_notification.h"
#include "platform/fltk/x11/window_icon.h"
#include "platform/standin/module.h"
#include "platform/standin/window.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

namespace {

// Every key goes to the screen reader first, while the bridge is loaded, as GTK hands it on; one
// that it consumes goes nowhere else. The dialog manager's keys go to the dialog before the
// focused widget sees them, as IsDialogMessage takes them in a Win32 modal loop.
int DispatchEvent(int event, Fl_Window *window)
{
    if ((event == FL_KEYBOARD || event == FL_KEYUP) && fltkhost::AccessibleKeyConsumed())
        return 1;
    auto *dialog = dynamic_cast<fltkhost::DialogWindow *>(window);
    if (event == FL_KEYBOARD && dialog != nullptr && dialog->HandleDialogKey())
        return 1;
    // A menu's keyboard grab moves no focus: the window stays the active one while it is open.
    const bool grabbing = fl_xevent != nullptr && (fl_xevent->type == FocusIn || fl_xevent->type == FocusOut) &&
                          (fl_xevent->xfocus.mode == NotifyGrab || fl_xevent->xfocus.mode == NotifyUngrab);
    if ((event == FL_FOCUS || event == FL_UNFOCUS) && dialog != nullptr && !grabbing) {
        fltkhost::AccessibleWindowActivated(event == FL_FOCUS);
        const int handled = Fl::handle_(event, window);
        dialog->KeyboardFocus(event == FL_FOCUS);
        return handled;
    }
    return Fl::handle_(event, window);
}

// The launcher's start-up id, read when the display opens, as a Windows program gets its
// STARTUPINFO; emptied once the launcher has been told that the start is over. The launch's time
// stays for the activation.
std::string g_startupId;
std::optional<Time> g_launchTime;

// Opens the display once for the process. No toolkit option is taken from the command line:
// the display is the one the environment names. No locale modifiers are set (XSetLocaleModifiers),
// so the fields join no input method (IBus, fcitx5) and take keys as the keyboard gives them, on
// purpose: they hold digits; IBus's XIM in Debian 12 reorders keys now and then; and a CJK input
// method would only turn digits into fullwidth ones, which the code page turns back.
bool OpenDisplay()
{
    if (fl_display != nullptr)
        return true;
    g_startupId = fltkhost::TakeStartupId();
    g_launchTime = fltkhost::LaunchTime(g_startupId);
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        const char *name = XDisplayName(nullptr);
        if (name == nullptr || *name == '\0')
            std::fputs("zahlix: cannot open display: DISPLAY is not set\n", stderr);
        else
            std::fprintf(stderr, "zahlix: cannot open display \"%s\"\n", name);
        return false;
    }
    fl_open_display(display);
    Fl::event_dispatch(DispatchEvent);
    return true;
}

// A window manager maps the window once it has taken it over; until then a request about the
// window's state could be lost. Bounded, for a display where nothing ever maps it.
void WaitUntilMapped(fltkhost::DialogWindow &window)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!window.Mapped() && std::chrono::steady_clock::now() < deadline)
        Fl::wait(0.01);
}

// Tells the launcher, once, that the start is over: after the map, or when the run ends without
// one, so that no launcher waits for its time-out.
void EndStartup(fltkhost::DialogWindow &window)
{
    if (g_startupId.empty())
        return;
    fltkhost::EndStartup(fl_display, fl_xid(&window), g_startupId);
    g_startupId.clear();
}

void NoIdleWork(void * /*data*/) {}

// The window of the modal run in progress. The session may want accessibility at any time while
// FLTK's loop runs; after the run, there is no window left to publish.
fltkhost::DialogWindow *g_shownWindow = nullptr;

void PublishShownWindow(void * /*data*/)
{
    if (g_shownWindow != nullptr)
        fltkhost::PublishAccessibility(*g_shownWindow);
}

} // namespace

namespace standin {

INT_PTR RunModalLoop(HWND hDlg)
{
    if (!OpenDisplay())
        return -1;
    fltkhost::DialogWindow window(hDlg);
    fltkhost::TellStartupId(fl_display, fl_xid(&window), g_startupId); // before the map
    if (!QuitPending()) {
        window.show();
        WaitUntilMapped(window);
        if (window.Mapped())
            EndStartup(window);
        window.Activate(g_launchTime);
        if (const auto icon = fltkhost::ProgramIcon(ProgramResources()))
            fltkhost::EnlargeIcon(window, *icon);
        window.Sync();
        g_shownWindow = &window;
        fltkhost::WatchAccessibilityStatus(PublishShownWindow, nullptr);
    }
    // A quit request ends the run, as on Windows, whether it was left in the queue before the
    // run or posted during it; it stays there for the caller's own loop.
    bool lost = false;
    while (LiveWindow(hDlg) != nullptr && !hDlg->ended && !QuitPending() && !lost) {
        lost = window.shown() == 0;
        if (!lost)
            Fl::wait();
    }
    Fl::remove_idle(NoIdleWork);
    g_shownWindow = nullptr;
    fltkhost::AccessibleDialogEnding();
    EndStartup(window);
    if (lost) {
        std::fputs("zahlix: the dialog's window went away before the dialog ended\n", stderr);
        return -1;
    }
    const INT_PTR result = LiveWindow(hDlg) != nullptr ? hDlg->result : -1;
    window.hide();
    XSync(fl_display, False);
    return result;
}

void WakeModalLoop()
{
    // EndDialog may come from a timer callback, after which FLTK would go on to wait for the
    // next X event. While an idle callback is set, FLTK does not wait: it returns to the loop,
    // which then sees the dialog ended and takes the callback away.
    if (Fl::has_idle(NoIdleWork) == 0)
        Fl::add_idle(NoIdleWork);
}

} // namespace standin
