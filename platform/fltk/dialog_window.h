// The dialog as a real window: an FLTK window whose widgets stand for the stand-in dialog
// manager's controls. The dialog manager keeps the state (texts, focus, styles) and runs the
// program; the window shows that state and turns the user's input into the dialog manager's
// actions.
#ifndef ZAHLIX_PLATFORM_FLTK_DIALOG_WINDOW_H
#define ZAHLIX_PLATFORM_FLTK_DIALOG_WINDOW_H

#include "platform/fltk/a11y/accessibility.h"
#include "platform/fltk/dialog_units.h"
#include "platform/fltk/x11/window_frame.h"
#include "platform/win32.h"

#include <FL/Fl_Double_Window.H>

#include <optional>
#include <string>
#include <vector>

class Fl_Input;

namespace fltkhost {

class DialogWindow : public Fl_Double_Window, public AccessibleWindow {
public:
    // Builds the window from the dialog as the dialog manager created it from its template:
    // one widget per control, placed by the base units of the dialog font at the layout DPI
    // (LayoutDpi, read here once). The display must be open.
    explicit DialogWindow(HWND hDlg);
    ~DialogWindow() override;
    DialogWindow(const DialogWindow &) = delete;
    DialogWindow &operator=(const DialogWindow &) = delete;

    Fl_Window &TopWindow() override { return *this; }
    HWND Dialog() const override { return m_dialog; }
    BaseUnits Units() const { return m_units; }
    // The DPI that the window is laid out for, and the dialog font's size in pixels at it.
    double Dpi() const { return m_dpi; }
    int FontSize() const { return m_fontSize; }
    // Where the window was put when it was first shown, and how long that waited.
    const Placement &Placed() const { return m_placement; }

    // The window is created unmapped with the object; the first show() centres its frame as the
    // dialog manager centres a dialog (CentreFrame) and maps it, a later one maps it again.
    void show() override;

    // Whether the X server shows the window (a window manager maps it once it manages it).
    bool Mapped() override;

    // For the mapped window at the start: asks the window manager to leave it unmaximised
    // (RefuseMaximising) and, with the launch's time (the user's action that launched the program),
    // to make it the active window, unless it is already. Without a launch time the window manager
    // gives the first focus. Where a window manager decides about activation, the widgets take the
    // keyboard focus once the window has it (KeyboardFocus), so that FLTK never asks for the
    // activation itself (it would, with a timestamp of 0).
    void Activate(std::optional<Time> launchTime);

    // The window got or lost the keyboard focus (FocusIn, FocusOut), after FLTK saw it.
    void KeyboardFocus(bool has);

    // The window's own focus: given to the widget of the dialog manager's focused control.
    int handle(int event) override;

    // Brings the widgets up to date after the dialog manager ran the program: the texts that
    // the program set, the focus, and the request to stay above other windows.
    void Sync() override;

    // The dialog manager's own keys, taken before the focused widget sees them: Tab, Shift+Tab,
    // Enter, Escape and Alt+F4; and the edit control's keys that FLTK's input would handle
    // otherwise: Undo (Ctrl+Z, Alt+Backspace) and the context menu (Shift+F10, the Menu key).
    // Returns whether the key was one of them.
    bool HandleDialogKey();

    // The widget of a control, or nullptr.
    Fl_Widget *WidgetOf(HWND control) const override;

private:
    struct Control {
        HWND hwnd;
        Fl_Widget *widget; // owned by the window
        std::string shown; // the control's text as the widget shows it, in the program's code page
    };

    void AddControl(HWND control, int fontSize);
    bool FocusWidgetOf(HWND control) const;
    void UserEdited(Fl_Input *input);
    void UserFocused(HWND control);
    static void OnEdited(Fl_Widget *widget, void *window);
    static void OnClicked(Fl_Widget *widget, void *window);
    static void OnCloseRequest(Fl_Widget *widget, void *window);

    HWND m_dialog;
    double m_dpi = 0;
    int m_fontSize = 0;
    BaseUnits m_units;
    PixelRect m_workArea;
    FrameRequest m_frameRequest;
    bool m_placed = false;
    Placement m_placement;
    std::vector<Control> m_controls;
    HWND m_focus = nullptr;
    bool m_aboveRequested = false;
    bool m_managerActivates = false; // a window manager that takes _NET_ACTIVE_WINDOW runs
    bool m_keyboardFocus = false;

    friend class EditWidget;
};

} // namespace fltkhost

#endif
