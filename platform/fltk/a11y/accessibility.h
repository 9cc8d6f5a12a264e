// The dialog for assistive technologies (screen readers) over AT-SPI. The bridge is a plug-in,
// loaded only when the session's accessibility is on; until then every call below but
// PublishAccessibility does nothing, and nothing of GLib, ATK or D-Bus is loaded.
#ifndef ZAHLIX_PLATFORM_FLTK_A11Y_ACCESSIBILITY_H
#define ZAHLIX_PLATFORM_FLTK_A11Y_ACCESSIBILITY_H

#include "platform/win32.h"

#include <string_view>

class Fl_Menu_Item;
class Fl_Widget;
class Fl_Window;

namespace fltkhost {

// What the host asks of the window that shows the dialog. The window implements it, so that the
// host knows the window by these calls alone.
class AccessibleWindow {
public:
    // The FLTK window itself: whether it is shown, its size and its X window.
    virtual Fl_Window &TopWindow() = 0;
    virtual HWND Dialog() const = 0;
    // The widget of a control, or nullptr.
    virtual Fl_Widget *WidgetOf(HWND control) const = 0;
    // Whether the X server shows the window.
    virtual bool Mapped() = 0;
    // Brings the widgets up to date after the host changed the dialog manager's state.
    virtual void Sync() = 0;

protected:
    // Never destroyed through the interface: the window's owner destroys the window.
    ~AccessibleWindow() = default;
};

// Loads the bridge, publishes the window's dialog on the accessibility bus and runs the bridge's
// GLib main context inside FLTK's loop. Call at most once, after the window is mapped. Returns
// false, and changes nothing, when the plug-in or the bus is missing.
bool PublishAccessibility(AccessibleWindow &window);

// Where the window changes. A control's text as the window shows it changed from `before`
// (in the program's code page) to its model's text.
void AccessibleTextChanged(HWND control, std::string_view before);
void AccessibleFocusMoved(HWND control);
void AccessibleCaretMoved(HWND edit);
void AccessibleWindowActivated(bool active);
// A field's context menu opens at (x, y) of the window with its items as shown, or closes.
void AccessibleMenuOpened(HWND edit, const Fl_Menu_Item *items, int x, int y);
// The open menu draws the item at `index` of its items highlighted (-1: none).
void AccessibleMenuHighlighted(int index);
void AccessibleMenuClosed();
// The key of the X event being handled (a press or a release) goes to the screen reader's
// listeners; true when one consumed it, and then the window must not see it.
bool AccessibleKeyConsumed();
// The dialog ends: the bridge's objects turn defunct before its windows are destroyed.
void AccessibleDialogEnding();

} // namespace fltkhost

#endif
