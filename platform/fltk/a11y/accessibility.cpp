// The host's side of the accessibility bridge: finds and loads the plug-in, answers what only
// the window knows, performs the bridge's changes as the user's own actions, and runs the
// bridge's GLib main context inside FLTK's loop on this one thread.
#include "platform/fltk/a11y/accessibility.h"

#include "platform/fltk/a11y/bridge/bridge_abi.h"
#include "platform/standin/codepage.h"
#include "platform/standin/edit.h"
#include "platform/standin/window.h"

#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/fl_utf8.h>
#include <FL/x.H>
#include <dlfcn.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <map>
#include <string>

namespace fltkhost {

namespace {

AccessibleWindow *g_window; // while the bridge is published and the dialog lives
a11yabi::Host g_host;
a11yabi::Bridge g_bridge;
bool g_published;
std::map<int, int> g_waitedFds; // descriptor: FLTK's FL_READ, FL_WRITE, FL_EXCEPT bits

// The plug-in's place relative to the program: where the package installs it, then beside the
// program, where the build leaves it.
std::string PluginPath(const std::string &programDir)
{
    const std::array candidates{programDir + "/" ZAHLIX_A11Y_PLUGIN_DIR "/" ZAHLIX_A11Y_PLUGIN,
                                programDir + "/" ZAHLIX_A11Y_PLUGIN};
    for (const auto &path : candidates) {
        if (access(path.c_str(), R_OK) == 0)
            return path;
    }
    return {};
}

std::string ProgramDir()
{
    std::array<char, 4096> path{};
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0)
        return {};
    const std::string program(path.data(), static_cast<std::size_t>(length));
    return program.substr(0, program.rfind('/'));
}

Fl_Input *InputOf(HWND edit)
{
    if (g_window == nullptr || standin::LiveWindow(edit) == nullptr || edit->kind != WindowKind::Edit)
        return nullptr;
    return dynamic_cast<Fl_Input *>(g_window->WidgetOf(edit));
}

std::string ToUtf8(std::string_view ansi)
{
    return standin::AnsiToUtf8(ansi);
}

std::string FromUtf8(std::string_view utf8)
{
    return standin::Utf8ToAnsi(utf8);
}

HWND Focused()
{
    return GetFocus();
}

bool Extents(HWND window, bool onScreen, a11yabi::Rect *out)
{
    if (g_window == nullptr || standin::LiveWindow(window) == nullptr || g_window->TopWindow().shown() == 0)
        return false;
    int originX = 0;
    int originY = 0;
    if (onScreen) {
        Window child = 0;
        XTranslateCoordinates(fl_display, fl_xid(&g_window->TopWindow()), RootWindow(fl_display, fl_screen), 0, 0,
                              &originX, &originY, &child);
    }
    if (window == g_window->Dialog()) {
        *out = {originX, originY, g_window->TopWindow().w(), g_window->TopWindow().h()};
        return true;
    }
    const Fl_Widget *widget = g_window->WidgetOf(window);
    if (widget == nullptr)
        return false;
    *out = {originX + widget->x(), originY + widget->y(), widget->w(), widget->h()};
    return true;
}

bool Showing(HWND window)
{
    if (g_window == nullptr || standin::LiveWindow(window) == nullptr || !g_window->Mapped())
        return false;
    const Fl_Widget *widget = g_window->WidgetOf(window);
    return window == g_window->Dialog() || (widget != nullptr && widget->visible_r() != 0);
}

bool Active()
{
    if (g_window == nullptr || g_window->TopWindow().shown() == 0)
        return false;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(fl_display, &focus, &revert);
    return focus == fl_xid(&g_window->TopWindow());
}

bool Focus(HWND control)
{
    if (g_window == nullptr || standin::LiveWindow(control) == nullptr || control->parent != g_window->Dialog())
        return false;
    if (GetFocus() != control) {
        SetFocus(control);
        g_window->Sync();
    }
    return GetFocus() == control;
}

// Character offsets to the widget's byte offsets in its UTF-8 text, and back.
int ByteOffset(HWND edit, std::size_t characters)
{
    return static_cast<int>(ToUtf8(std::string_view(edit->text).substr(0, characters)).size());
}

void Selection(HWND edit, std::size_t *start, std::size_t *end)
{
    *start = 0;
    *end = 0;
    if (const Fl_Input *input = InputOf(edit)) {
        const auto *text = reinterpret_cast<const unsigned char *>(input->value());
        *start = static_cast<std::size_t>(fl_utf_nb_char(text, input->mark()));
        *end = static_cast<std::size_t>(fl_utf_nb_char(text, input->position()));
    }
}

bool Select(HWND edit, std::size_t start, std::size_t end)
{
    Fl_Input *input = InputOf(edit);
    if (input == nullptr || start > edit->text.size() || end > edit->text.size())
        return false;
    edit->selStart = start;
    edit->selEnd = end;
    input->position(ByteOffset(edit, end), ByteOffset(edit, start));
    AccessibleCaretMoved(edit);
    return true;
}

// FLTK keeps how far an input's text is scrolled to itself: a class derived from the input may
// name that member, and the pointer to it reads any input's.
struct InputScroll : Fl_Input {
    static int Of(const Fl_Input &input) { return (input.*(&InputScroll::xscroll))(); }
};

// As FLTK's input draws a single line: from the inner edge of its box, one pixel in, scrolled,
// and centred in the box's height.
bool CharacterExtents(HWND edit, std::size_t offset, bool onScreen, a11yabi::Rect *out)
{
    const Fl_Input *input = InputOf(edit);
    a11yabi::Rect field;
    if (input == nullptr || offset >= edit->text.size() || !Extents(edit, onScreen, &field))
        return false;
    fl_font(input->textfont(), input->textsize());
    const std::string before = ToUtf8(std::string_view(edit->text).substr(0, offset));
    const std::string character = ToUtf8(std::string_view(edit->text).substr(offset, 1));
    const Fl_Boxtype box = input->box();
    const int innerHeight = field.h - Fl::box_dh(box);
    out->x = field.x + Fl::box_dx(box) + 1 - InputScroll::Of(*input) + static_cast<int>(fl_width(before.c_str()));
    out->w = static_cast<int>(fl_width(character.c_str()));
    out->h = fl_height();
    out->y = field.y + Fl::box_dy(box) + (innerHeight - out->h) / 2;
    return true;
}

// As typing is, the text is cut to what the field takes: FLTK's input holds at most its maximum
// size in bytes of UTF-8. The cut falls between two characters.
bool Replace(HWND edit, std::size_t start, std::size_t end, std::string_view utf8)
{
    const Fl_Input *input = InputOf(edit);
    if (input == nullptr || start > end || end > edit->text.size())
        return false;
    const std::string_view shown = edit->text;
    const std::size_t kept = ToUtf8(shown).size() - ToUtf8(shown.substr(start, end - start)).size();
    const auto limit = static_cast<std::size_t>(std::max(input->maximum_size(), 0));
    std::size_t cut = std::min(utf8.size(), limit > kept ? limit - kept : 0);
    while (cut > 0 && cut < utf8.size() && (static_cast<unsigned char>(utf8[cut]) & 0xC0U) == 0x80U)
        --cut;
    const std::string text = FromUtf8(utf8.substr(0, cut));
    if (start == end && text.empty())
        return true;
    if (!Focus(edit))
        return false;
    standin::ReplaceRange(edit, start, end, text);
    standin::DispatchPostedMessages();
    if (g_window != nullptr)
        g_window->Sync();
    if (standin::LiveWindow(edit) != nullptr)
        Select(edit, edit->selStart, edit->selEnd);
    return true;
}

void Copy(std::string_view utf8)
{
    Fl::copy(utf8.data(), static_cast<int>(utf8.size()), 1);
}

// The clipboard arrives at the widget as the user's paste, which the window passes on to the
// dialog manager as one change.
bool Paste(HWND edit, std::size_t position)
{
    Fl_Input *input = InputOf(edit);
    if (input == nullptr || !Focus(edit) || !Select(edit, position, position))
        return false;
    Fl::paste(*input, 1);
    return true;
}

void PumpBridge(void * /*data*/);

void OnDescriptorReady(int /*fd*/, void * /*data*/)
{
    PumpBridge(nullptr);
}

// GLib's descriptors join FLTK's; its next time-out becomes one of FLTK's.
void PumpBridge(void * /*data*/)
{
    std::vector<a11yabi::PollFd> wait;
    int timeoutMs = -1;
    g_bridge.Pump(&wait, &timeoutMs);
    std::map<int, int> wanted;
    for (const auto &poll : wait) {
        int &when = wanted[poll.fd];
        when |= ((poll.events & POLLIN) != 0 ? FL_READ : 0) | ((poll.events & POLLOUT) != 0 ? FL_WRITE : 0) |
                ((poll.events & (POLLPRI | POLLERR)) != 0 ? FL_EXCEPT : 0);
    }
    for (const auto &[fd, when] : g_waitedFds) {
        const auto found = wanted.find(fd);
        if (found == wanted.end() || found->second != when)
            Fl::remove_fd(fd);
    }
    for (const auto &[fd, when] : wanted) {
        const auto found = g_waitedFds.find(fd);
        if (found == g_waitedFds.end() || found->second != when)
            Fl::add_fd(fd, when, OnDescriptorReady);
    }
    g_waitedFds = std::move(wanted);
    Fl::remove_timeout(PumpBridge);
    if (timeoutMs >= 0)
        Fl::add_timeout(timeoutMs / 1000.0, PumpBridge);
}

} // namespace

bool PublishAccessibility(AccessibleWindow &window)
{
    if (g_published)
        return false;
    g_published = true;
    const std::string path = PluginPath(ProgramDir());
    // The plug-in is never unloaded: the bridge leaves an exit handler and GLib sources behind.
    void *plugin = path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto start =
        plugin != nullptr ? reinterpret_cast<a11yabi::StartFunction>(dlsym(plugin, a11yabi::kStartSymbol)) : nullptr;
    if (start == nullptr)
        return false;
    g_window = &window;
    g_host.dialog = window.Dialog();
    g_host.Focused = Focused;
    g_host.ToUtf8 = ToUtf8;
    g_host.FromUtf8 = FromUtf8;
    g_host.Extents = Extents;
    g_host.Showing = Showing;
    g_host.Active = Active;
    g_host.Focus = Focus;
    g_host.Replace = Replace;
    g_host.Selection = Selection;
    g_host.Select = Select;
    g_host.CharacterExtents = CharacterExtents;
    g_host.Copy = Copy;
    g_host.Paste = Paste;
    if (!start(&g_host, &g_bridge)) {
        g_window = nullptr;
        g_bridge = {};
        return false;
    }
    Fl::add_check(PumpBridge);
    PumpBridge(nullptr);
    return true;
}

void AccessibleTextChanged(HWND control, std::string_view before)
{
    if (g_bridge.TextChanged != nullptr && g_window != nullptr)
        g_bridge.TextChanged(control, before);
}

void AccessibleFocusMoved(HWND control)
{
    if (g_bridge.FocusMoved != nullptr && g_window != nullptr)
        g_bridge.FocusMoved(control);
}

void AccessibleCaretMoved(HWND edit)
{
    if (g_bridge.CaretMoved != nullptr && g_window != nullptr)
        g_bridge.CaretMoved(edit);
}

void AccessibleWindowActivated(bool active)
{
    if (g_bridge.Activated != nullptr && g_window != nullptr)
        g_bridge.Activated(active);
}

// FLTK draws the menu in a window of its own below the point it opens at: a frame around the
// items, each as high as its label and a leading. The places are what FLTK's menu window uses.
void AccessibleMenuOpened(HWND edit, const Fl_Menu_Item *items, int x, int y)
{
    constexpr int kFrame = 2;
    constexpr int kLeading = 4;
    constexpr int kMargins = 16;
    a11yabi::Rect origin;
    if (g_bridge.MenuOpened == nullptr || g_window == nullptr || !Extents(g_window->Dialog(), true, &origin))
        return;
    std::vector<a11yabi::MenuItem> shown(1);
    int width = 0;
    int top = origin.y + y + kFrame;
    for (const Fl_Menu_Item *item = items; item != nullptr && item->label() != nullptr; item = item->next()) {
        int height = 0;
        width = std::max(width, item->measure(&height, nullptr) + kMargins);
        shown.push_back({item->label(), item->active() != 0, {origin.x + x + kFrame, top, 0, height + kLeading}});
        top += height + kLeading;
    }
    for (auto &item : shown)
        item.bounds.w = width;
    shown.front().bounds = {origin.x + x, origin.y + y, width + 2 * kFrame, top + kFrame - (origin.y + y)};
    g_bridge.MenuOpened(edit, shown);
    PumpBridge(nullptr);
}

void AccessibleMenuHighlighted(int index)
{
    if (g_bridge.MenuHighlighted != nullptr && g_window != nullptr) {
        g_bridge.MenuHighlighted(index);
        PumpBridge(nullptr);
    }
}

// From the X event itself, as GTK takes it: the keysym as the modifiers make it, the hardware
// code, the modifiers and the server's time; the text as FLTK's input method gave it.
bool AccessibleKeyConsumed()
{
    if (g_bridge.Key == nullptr || g_window == nullptr || fl_xevent == nullptr ||
        (fl_xevent->type != KeyPress && fl_xevent->type != KeyRelease))
        return false;
    XKeyEvent x = fl_xevent->xkey;
    std::array<char, 32> latin1{};
    KeySym keysym = NoSymbol;
    XLookupString(&x, latin1.data(), static_cast<int>(latin1.size()), &keysym, nullptr);
    a11yabi::KeyEvent key;
    key.press = x.type == KeyPress;
    key.state = x.state;
    key.keysym = static_cast<unsigned>(keysym);
    key.keycode = x.keycode;
    key.timestamp = x.time;
    if (key.press && Fl::event_length() > 0)
        key.text.assign(Fl::event_text(), static_cast<std::size_t>(Fl::event_length()));
    if (const char *name = XKeysymToString(keysym))
        key.name = name;
    const bool consumed = g_bridge.Key(key);
    // What the screen reader asked while it decided may have changed the window.
    if (g_window != nullptr)
        g_window->Sync();
    return consumed;
}

void AccessibleMenuClosed()
{
    if (g_bridge.MenuClosed != nullptr && g_window != nullptr)
        g_bridge.MenuClosed();
}

void AccessibleDialogEnding()
{
    if (g_bridge.Ending == nullptr || g_window == nullptr)
        return;
    g_bridge.Ending();
    // Clients hear of the end before the windows go; nothing of the window is asked after this.
    PumpBridge(nullptr);
    g_window = nullptr;
}

} // namespace fltkhost
