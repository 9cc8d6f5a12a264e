// What the Linux host and its accessibility plug-in hand each other. The host is always linked
// and knows no GLib; the plug-in is loaded with dlopen only when the session's accessibility is
// on. Both are built together from one tree with one compiler, so the tables are plain C++.
//
// The plug-in reads the dialog manager's window model (HWND__) directly and asks the host for
// what only the window knows (geometry, the caret, the clipboard) and for every change, which
// the host performs as the user's own action on the dialog.
#ifndef ZAHLIX_PLATFORM_FLTK_A11Y_BRIDGE_BRIDGE_ABI_H
#define ZAHLIX_PLATFORM_FLTK_A11Y_BRIDGE_BRIDGE_ABI_H

#include "platform/win32.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace a11yabi {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

// Text offsets are in characters. The program's code page has one byte per character, so a
// character offset is also a byte offset into HWND__::text.
struct Host {
    HWND dialog = nullptr;
    // The control that has the dialog manager's focus (GetFocus).
    HWND (*Focused)() = nullptr;

    // The program's code page to UTF-8 and back.
    std::string (*ToUtf8)(std::string_view ansi) = nullptr;
    std::string (*FromUtf8)(std::string_view utf8) = nullptr;

    // Where a window (the dialog's client area, or a control's widget) is, on the screen or in
    // the dialog's client area. False once the window is gone.
    bool (*Extents)(HWND window, bool onScreen, Rect *out) = nullptr;
    // Whether the window shows the control (or, for the dialog, whether it is mapped), and
    // whether the dialog's window has the keyboard.
    bool (*Showing)(HWND window) = nullptr;
    bool (*Active)() = nullptr;

    // Moves the dialog's focus to a control, as a click on it would.
    bool (*Focus)(HWND control) = nullptr;
    // The user's edit of a field: the focus moves there, the characters [start, end) are
    // replaced by the UTF-8 text (cut to what the field takes, as typing is), with exactly one
    // EN_CHANGE. False when the range is not in the text.
    bool (*Replace)(HWND edit, std::size_t start, std::size_t end, std::string_view utf8) = nullptr;
    // The field's selection as the window shows it; the caret stands at `end`.
    void (*Selection)(HWND edit, std::size_t *start, std::size_t *end) = nullptr;
    bool (*Select)(HWND edit, std::size_t start, std::size_t end) = nullptr;
    // Where the window draws a character of a field, scrolled as it is; false past the text.
    bool (*CharacterExtents)(HWND edit, std::size_t offset, bool onScreen, Rect *out) = nullptr;
    // The clipboard, as the field's Copy and Paste use it.
    void (*Copy)(std::string_view utf8) = nullptr;
    bool (*Paste)(HWND edit, std::size_t position) = nullptr;
};

// A descriptor that the plug-in waits on, with poll(2)'s event bits.
struct PollFd {
    int fd = -1;
    short events = 0;
};

// The context menu of a field while it is open: its items as the menu shows them, each with its
// place on the screen (the first entry of a list stands for the menu itself).
struct MenuItem {
    std::string label; // as drawn, with the '&' of a mnemonic
    bool enabled = false;
    Rect bounds;
};

// A key press or release as the X server delivered it, before anything of the program sees it.
struct KeyEvent {
    bool press = true;
    unsigned state = 0;          // the X modifier mask at the time of the key
    unsigned keysym = 0;         // as the modifiers make it (Shift gives 'A', NumLock KP_1)
    unsigned keycode = 0;        // the hardware code
    unsigned long timestamp = 0; // the X server's time, in milliseconds
    std::string text;            // what the key types, in UTF-8; empty for most releases
    std::string name;            // the keysym's name ("Tab", "KP_Enter", "a")
};

// The plug-in's side: called by the host where the window changes.
struct Bridge {
    // A control's text as the window shows it changed from `before` (code page) to its model's.
    void (*TextChanged)(HWND control, std::string_view before) = nullptr;
    void (*FocusMoved)(HWND control) = nullptr;
    // The caret or selection of a field may have moved.
    void (*CaretMoved)(HWND edit) = nullptr;
    void (*Activated)(bool active) = nullptr;
    void (*MenuOpened)(HWND edit, const std::vector<MenuItem> &items) = nullptr;
    // The item that the open menu shows highlighted, counted from its first item (-1: none).
    void (*MenuHighlighted)(int item) = nullptr;
    void (*MenuClosed)() = nullptr;
    // Every key goes to the screen reader's listeners first; true when one of them consumed it,
    // and then nothing else of the program may see it.
    bool (*Key)(const KeyEvent &key) = nullptr;
    // The dialog ends: every object turns defunct before the windows are destroyed.
    void (*Ending)() = nullptr;
    // Runs what is due on GLib's default main context and says what to wait for next: the
    // descriptors, and the time in milliseconds (-1: none).
    void (*Pump)(std::vector<PollFd> *wait, int *timeoutMs) = nullptr;
};

// The plug-in's one exported function: publishes the dialog, or returns false (no session bus,
// no accessibility bus). Called once.
using StartFunction = bool (*)(const Host *host, Bridge *bridge);
inline constexpr const char *kStartSymbol = "zahlix_accessibility_start";

} // namespace a11yabi

#endif
