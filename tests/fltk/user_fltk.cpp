// The user, on the stand-in dialog manager shown in a real FLTK window: keys are real X input
// events (XTest) that the X server delivers to the window and FLTK turns into the dialog
// manager's input; each call returns once FLTK has handled what the server sent.
#include "tests/dialog/user.h"

#include "platform/fltk/dialog_window.h"
#include "platform/standin/codepage.h"
#include "tests/fltk/user_fltk.h"
#include "tests/fltk/x_keys.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/keysym.h>

#include <string>

namespace user {

namespace {

const Scenario *g_scenario;
Run *g_run;

// Starts the scenario once the dialog's window is on the screen and has the keyboard.
void StartScenario(void * /*data*/)
{
    fltkhost::DialogWindow *window = ShownDialogWindow();
    if (window == nullptr || !window->Mapped()) {
        Fl::repeat_timeout(0.01, StartScenario);
        return;
    }
    XSetInputFocus(fl_display, fl_xid(window), RevertToPointerRoot, CurrentTime);
    Settle();
    g_run->scenarioRan = true;
    (*g_scenario)(window->Dialog());
}

} // namespace

fltkhost::DialogWindow *ShownDialogWindow()
{
    for (Fl_Window *window = Fl::first_window(); window != nullptr; window = Fl::next_window(window)) {
        if (auto *dialog = dynamic_cast<fltkhost::DialogWindow *>(window))
            return dialog;
    }
    return nullptr;
}

void Settle()
{
    do {
        XSync(fl_display, False);
        Fl::check();
    } while (XPending(fl_display) > 0);
}

Run Play(const Scenario &scenario, const std::function<INT_PTR()> &start)
{
    Run run;
    g_scenario = &scenario;
    g_run = &run;
    Fl::add_timeout(0, StartScenario);
    run.result = start();
    Fl::remove_timeout(StartScenario);
    g_scenario = nullptr;
    g_run = nullptr;
    return run;
}

void Press(Key key)
{
    struct Stroke {
        KeySym keysym;
        unsigned modifiers;
    };
    // In the order of user::Key's enumerators.
    constexpr Stroke kStrokes[] = {
        {XK_Tab, xkeys::kNone}, {XK_Tab, xkeys::kShift},      {XK_Return, xkeys::kNone}, {XK_Escape, xkeys::kNone},
        {XK_F4, xkeys::kAlt},   {XK_BackSpace, xkeys::kNone}, {XK_Delete, xkeys::kNone}, {XK_Home, xkeys::kNone},
        {XK_End, xkeys::kNone}, {XK_z, xkeys::kControl},
    };
    static_assert(std::size(kStrokes) == static_cast<std::size_t>(Key::Undo) + 1);
    const Stroke &stroke = kStrokes[static_cast<std::size_t>(key)];
    xkeys::Tap(fl_display, stroke.keysym, stroke.modifiers);
    Settle();
}

void Type(std::string_view text)
{
    for (const char c : text) {
        xkeys::TypeUtf8(fl_display, standin::AnsiToUtf8(std::string_view(&c, 1)));
        Settle();
    }
}

// Puts the text on the clipboard, which this process then owns, and pastes it with Ctrl+V.
void Paste(std::string_view text)
{
    const std::string utf8 = standin::AnsiToUtf8(text);
    Fl::copy(utf8.data(), static_cast<int>(utf8.size()), 1);
    xkeys::Tap(fl_display, XK_v, xkeys::kControl);
    Settle();
}

// What a window manager sends for the close box: WM_DELETE_WINDOW, through the X server.
void ClickCloseBox(HWND /*hDlg*/)
{
    fltkhost::DialogWindow *window = ShownDialogWindow();
    if (window == nullptr)
        return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = fl_xid(window);
    event.xclient.message_type = XInternAtom(fl_display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(fl_display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(fl_display, fl_xid(window), False, NoEventMask, &event);
    Settle();
}

} // namespace user
