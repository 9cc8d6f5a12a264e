// The dialog's window and widgets, and the boundary between FLTK and the dialog manager. Texts
// cross it converted between UTF-8 (FLTK) and the program's code page.
#include "platform/fltk/dialog_window.h"

#include "platform/fltk/a11y/accessibility.h"
#include "platform/fltk/edit_menu.h"
#include "platform/fltk/x11/activation.h"
#include "platform/fltk/x11/keep_above.h"
#include "platform/fltk/x11/layout_dpi.h"
#include "platform/fltk/x11/no_maximise.h"
#include "platform/fltk/x11/window_icon.h"
#include "platform/fltk/x11/work_area.h"
#include "platform/standin/codepage.h"
#include "platform/standin/module.h"
#include "platform/standin/standin.h"
#include "platform/standin/window.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <cmath>
#include <utility>

namespace fltkhost {

namespace {

constexpr DWORD kButtonTypeMask = 0x0F;
constexpr DWORD kGroupBox = 0x07;
constexpr int kDefaultPoints = 8;

// The dialog font's size in pixels at the layout DPI.
int DialogFontSize(const HWND__ &dialog, double dpi)
{
    const bool ownFont = (dialog.style & DS_SETFONT) != 0 && dialog.pointSize != 0;
    return FontPixelSize(ownFont ? dialog.pointSize : kDefaultPoints, dpi);
}

BaseUnits MeasureBaseUnits(int fontSize)
{
    fl_font(FL_HELVETICA, fontSize);
    const double width = fl_width("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return BaseUnitsOfFont(static_cast<int>(std::lround(width)), fl_height());
}

PixelRect ClientSize(const HWND__ &dialog, BaseUnits units)
{
    return DialogRectToPixels(0, 0, dialog.cx, dialog.cy, units);
}

// FLTK draws '@' sequences in labels as symbols; a control's text is plain text.
std::string LabelText(const std::string &ansi)
{
    std::string label;
    for (const char c : standin::AnsiToUtf8(ansi)) {
        label.push_back(c);
        if (c == '@')
            label.push_back('@');
    }
    return label;
}

// Where a byte offset of a control's text in the program's code page falls in the UTF-8 text
// that its widget shows.
int Utf8Offset(const std::string &ansi, std::size_t offset)
{
    return static_cast<int>(standin::AnsiToUtf8(std::string_view(ansi).substr(0, offset)).size());
}

} // namespace

// An edit control: a single-line input that scrolls horizontally, tells the dialog manager
// when it takes the keyboard focus, so that GetFocus answers with its control, and opens the
// edit control's context menu on a right-click, taking the focus first.
class EditWidget : public Fl_Input {
public:
    EditWidget(DialogWindow &window, HWND control, const PixelRect &r)
        : Fl_Input(r.x, r.y, r.w, r.h), m_window(window), m_control(control)
    {
    }

    int handle(int event) override
    {
        if (event == FL_PUSH && Fl::event_button() == FL_RIGHT_MOUSE) {
            if (Fl::focus() != this)
                take_focus();
            ShowEditMenu(m_control, *this, Fl::event_x(), Fl::event_y());
            m_window.Sync();
            return 1;
        }
        const int handled = Fl_Input::handle(event);
        if (event == FL_FOCUS)
            m_window.UserFocused(m_control);
        AccessibleCaretMoved(m_control);
        return handled;
    }

private:
    DialogWindow &m_window;
    HWND m_control;
};

DialogWindow::DialogWindow(HWND hDlg)
    : Fl_Double_Window(0, 0, 1, 1), m_dialog(hDlg), m_dpi(LayoutDpi(fl_display)),
      m_fontSize(DialogFontSize(*hDlg, m_dpi))
{
    copy_label(LabelText(hDlg->text).c_str());
    xclass("zahlix");
    callback(OnCloseRequest, this);
    size_range(1, 1, 1, 1); // the dialog cannot be resized
    // The window manager answers while the font is measured, which takes a few milliseconds.
    m_frameRequest = CreateAskingFrame(*this, ProgramIcon(standin::ProgramResources()));

    m_units = MeasureBaseUnits(m_fontSize);
    const PixelRect client = ClientSize(*hDlg, m_units);
    m_workArea = CurrentWorkArea(fl_display);
    // Until the window manager tells the frame's size: the client area centred.
    const PixelPoint origin = CentredOrigin(m_workArea, client.w, client.h, {});
    resize(origin.x, origin.y, client.w, client.h);
    size_range(client.w, client.h, client.w, client.h);

    begin();
    for (auto &child : hDlg->children)
        AddControl(child.get(), m_fontSize);
    end();
}

DialogWindow::~DialogWindow() = default;

void DialogWindow::show()
{
    if (m_placed) {
        Fl_Double_Window::show();
        return;
    }
    m_placed = true;
    m_placement = CentreFrame(*this, m_workArea, m_frameRequest);
    Fl_Double_Window::show(); // the window exists: this maps it
    KeepCentredOnItsFrame(*this, m_workArea, m_placement);
    // As FLTK does for a window that it creates and maps itself.
    set_visible();
    handle(FL_SHOW);
    redraw();
}

void DialogWindow::AddControl(HWND control, int fontSize)
{
    const PixelRect r = DialogRectToPixels(control->x, control->y, control->cx, control->cy, m_units);
    Fl_Widget *widget = nullptr;
    switch (control->kind) {
    case WindowKind::Edit: {
        auto *input = new EditWidget(*this, control, r);
        input->textfont(FL_HELVETICA);
        input->textsize(fontSize);
        input->when(FL_WHEN_CHANGED);
        input->callback(OnEdited, this);
        input->value(standin::AnsiToUtf8(control->text).c_str());
        widget = input;
        break;
    }
    case WindowKind::Button:
        if ((control->style & kButtonTypeMask) == kGroupBox) {
            // The frame runs through the middle of the title's line, as a group box draws it.
            const int top = fl_height() / 2;
            auto *frame = new Fl_Box(FL_ENGRAVED_FRAME, r.x, r.y + top, r.w, std::max(0, r.h - top), nullptr);
            frame->align(FL_ALIGN_TOP_LEFT);
            widget = frame;
        } else {
            auto *button = new Fl_Button(r.x, r.y, r.w, r.h);
            button->callback(OnClicked, this);
            widget = button;
        }
        break;
    case WindowKind::Static:
    default: {
        auto *label = new Fl_Box(FL_NO_BOX, r.x, r.y, r.w, r.h, nullptr);
        label->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
        widget = label;
        break;
    }
    }
    widget->labelfont(FL_HELVETICA);
    widget->labelsize(fontSize);
    if (control->kind != WindowKind::Edit)
        widget->copy_label(LabelText(control->text).c_str());
    if ((control->style & WS_VISIBLE) == 0)
        widget->hide();
    if ((control->style & WS_DISABLED) != 0)
        widget->deactivate();
    m_controls.push_back({control, widget, control->text});
}

void DialogWindow::Activate(std::optional<Time> launchTime)
{
    // Asked once the window shows, so that the start waits for nothing more.
    m_managerActivates = OffersActivation(fl_display);
    RefuseMaximising(fl_xid(this));
    // Only with the time of the user's action that launched the program: a later time would take
    // the focus from a window that the user chose since. Without one, the window manager decides.
    if (m_managerActivates && !m_keyboardFocus && Mapped() && launchTime)
        RequestActivation(fl_display, fl_xid(this), *launchTime);
}

void DialogWindow::KeyboardFocus(bool has)
{
    m_keyboardFocus = has;
    // FLTK keeps the widget that had the focus; the dialog manager's may have moved meanwhile.
    if (has && standin::LiveWindow(m_dialog) != nullptr && WidgetOf(GetFocus()) != Fl::focus())
        FocusWidgetOf(GetFocus());
}

int DialogWindow::handle(int event)
{
    if (event == FL_FOCUS && standin::LiveWindow(m_dialog) != nullptr && FocusWidgetOf(GetFocus()))
        return 1;
    return Fl_Double_Window::handle(event);
}

bool DialogWindow::FocusWidgetOf(HWND control) const
{
    Fl_Widget *widget = WidgetOf(control);
    if (widget == nullptr || widget->take_focus() == 0)
        return false;
    // Tab selects the whole text of the field it enters.
    if (control->kind == WindowKind::Edit && control->selStart == 0 && control->selEnd == control->text.size()) {
        auto *input = static_cast<Fl_Input *>(widget);
        input->position(input->size(), 0);
    }
    return true;
}

Fl_Widget *DialogWindow::WidgetOf(HWND control) const
{
    const auto found =
        std::find_if(m_controls.begin(), m_controls.end(), [control](const Control &c) { return c.hwnd == control; });
    return found != m_controls.end() ? found->widget : nullptr;
}

bool DialogWindow::Mapped()
{
    if (!shown())
        return false;
    XWindowAttributes attributes{};
    return XGetWindowAttributes(fl_display, fl_xid(this), &attributes) != 0 && attributes.map_state == IsViewable;
}

void DialogWindow::Sync()
{
    if (standin::LiveWindow(m_dialog) == nullptr)
        return;
    for (auto &control : m_controls) {
        if (control.hwnd->text == control.shown)
            continue;
        const std::string before = std::exchange(control.shown, control.hwnd->text);
        if (control.hwnd->kind == WindowKind::Edit) {
            // value() raises no callback: no second EN_CHANGE.
            auto *input = static_cast<Fl_Input *>(control.widget);
            input->value(standin::AnsiToUtf8(control.shown).c_str());
            // The field shows the edit control's selection: what an undo selected, and none,
            // the caret at the start, after the program set the text (FLTK's value() would leave
            // the caret at the end).
            input->position(Utf8Offset(control.shown, control.hwnd->selEnd),
                            Utf8Offset(control.shown, control.hwnd->selStart));
        } else
            control.widget->copy_label(LabelText(control.shown).c_str());
        AccessibleTextChanged(control.hwnd, before);
    }

    HWND focus = GetFocus();
    if (focus != m_focus) {
        m_focus = focus;
        // Without the keyboard focus, FLTK would ask the window manager for it: KeyboardFocus
        // gives the widget its focus once the window has it.
        if (m_keyboardFocus || !m_managerActivates)
            FocusWidgetOf(focus);
        AccessibleFocusMoved(focus);
    }

    if ((m_dialog->exStyle & WS_EX_TOPMOST) != 0 && !m_aboveRequested && Mapped()) {
        RequestKeepAbove(fl_xid(this));
        m_aboveRequested = true;
    }
}

bool DialogWindow::HandleDialogKey()
{
    // While a menu is open, its own keys go to it: Escape closes the menu, not the dialog.
    if (Fl::grab() != nullptr)
        return false;
    const int key = Fl::event_key();
    const int state = Fl::event_state();
    HWND focus = GetFocus();
    Fl_Widget *focusWidget = focus != nullptr && focus->kind == WindowKind::Edit ? WidgetOf(focus) : nullptr;
    const bool undo = (key == 'z' && (state & (FL_CTRL | FL_ALT | FL_META)) == FL_CTRL) ||
                      (key == FL_BackSpace && (state & (FL_CTRL | FL_ALT | FL_META)) == FL_ALT);
    const bool menu = key == FL_Menu || (key == FL_F + 10 && (state & (FL_SHIFT | FL_CTRL | FL_ALT)) == FL_SHIFT);
    if (undo && focusWidget != nullptr) {
        // The edit control's own undo, per field; FLTK's would be one record for all inputs.
        SendMessageA(focus, EM_UNDO, 0, 0);
    } else if (menu && focusWidget != nullptr) {
        // Centred on the field, as the edit control opens it from the keyboard.
        ShowEditMenu(focus, *static_cast<Fl_Input *>(focusWidget), focusWidget->x() + focusWidget->w() / 2,
                     focusWidget->y() + focusWidget->h() / 2);
    } else if (key == FL_Tab && (state & (FL_CTRL | FL_ALT | FL_META)) == 0)
        standin::PressKey((state & FL_SHIFT) != 0 ? standin::Key::ShiftTab : standin::Key::Tab);
    else if (key == FL_Enter || key == FL_KP_Enter)
        standin::PressKey(standin::Key::Enter);
    else if (key == FL_Escape)
        standin::PressKey(standin::Key::Escape);
    else if (key == FL_F + 4 && (state & FL_ALT) != 0)
        standin::PressKey(standin::Key::AltF4);
    else
        return false;
    Sync();
    return true;
}

void DialogWindow::UserEdited(Fl_Input *input)
{
    const auto found =
        std::find_if(m_controls.begin(), m_controls.end(), [input](const Control &c) { return c.widget == input; });
    if (found == m_controls.end())
        return;
    const std::string_view value(input->value(), static_cast<std::size_t>(input->size()));
    const std::size_t caret = standin::Utf8ToAnsi(value.substr(0, static_cast<std::size_t>(input->position()))).size();
    const std::string before = std::exchange(found->shown, standin::Utf8ToAnsi(value));
    standin::ReplaceText(found->hwnd, found->shown, caret);
    AccessibleTextChanged(found->hwnd, before);
    Sync();
}

void DialogWindow::UserFocused(HWND control)
{
    if (standin::LiveWindow(control) == nullptr || GetFocus() == control)
        return;
    SetFocus(control);
    m_focus = control;
    AccessibleFocusMoved(control);
}

void DialogWindow::OnEdited(Fl_Widget *widget, void *window)
{
    static_cast<DialogWindow *>(window)->UserEdited(static_cast<Fl_Input *>(widget));
}

void DialogWindow::OnClicked(Fl_Widget *widget, void *window)
{
    auto *self = static_cast<DialogWindow *>(window);
    for (const auto &control : self->m_controls) {
        if (control.widget == widget) {
            SendMessageA(self->m_dialog, WM_COMMAND, MAKEWPARAM(control.hwnd->id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(control.hwnd));
            standin::DispatchPostedMessages();
            break;
        }
    }
    self->Sync();
}

// The close box, Close on the window menu and Alt+F4 of a window manager: WM_DELETE_WINDOW.
void DialogWindow::OnCloseRequest(Fl_Widget * /*widget*/, void *window)
{
    standin::ClickCloseBox();
    static_cast<DialogWindow *>(window)->Sync();
}

} // namespace fltkhost
