// The dialog manager's keyboard handling and the user's actions on the focused control. Each
// action ends as a message loop's turn does: with the messages it posted dispatched.
#include "platform/standin/edit.h"
#include "platform/standin/standin.h"
#include "platform/standin/window.h"

#include <algorithm>

namespace standin {

namespace {

HWND FocusedEdit()
{
    HWND focus = GetFocus();
    return focus != nullptr && focus->kind == WindowKind::Edit ? focus : nullptr;
}

bool IsTabStop(const HWND__ &control)
{
    constexpr DWORD kNeeded = WS_TABSTOP | WS_VISIBLE;
    return (control.style & (kNeeded | WS_DISABLED)) == kNeeded;
}

// Moves the focus to the next (or previous) tab stop after the focused control, wrapping, and
// selects the whole text of an edit control that it enters.
void MoveFocus(HWND hDlg, bool backwards)
{
    const auto &children = hDlg->children;
    const auto count = static_cast<std::ptrdiff_t>(children.size());
    std::ptrdiff_t current = -1;
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        if (children[static_cast<std::size_t>(i)].get() == GetFocus())
            current = i;
    }
    if (current < 0)
        current = backwards ? 0 : count - 1;
    for (std::ptrdiff_t step = 1; step <= count; ++step) {
        const std::ptrdiff_t index = ((backwards ? current - step : current + step) % count + count) % count;
        HWND candidate = children[static_cast<std::size_t>(index)].get();
        if (IsTabStop(*candidate)) {
            SetFocus(candidate);
            if (candidate->kind == WindowKind::Edit)
                EditKey(candidate, EditAction::SelectAll);
            return;
        }
    }
}

HWND DefaultButton(HWND hDlg)
{
    for (auto &child : hDlg->children) {
        if (child->kind == WindowKind::Button && (child->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return child.get();
    }
    return nullptr;
}

// Enter: the default push button's command while it is enabled, visible or not.
void PressEnter(HWND hDlg)
{
    HWND button = DefaultButton(hDlg);
    if (button == nullptr) {
        SendMessageA(hDlg, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDOK)));
        return;
    }
    if ((button->style & WS_DISABLED) == 0)
        SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(button->id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void EditFocused(EditAction action)
{
    if (HWND edit = FocusedEdit())
        EditKey(edit, action);
}

} // namespace

void PressKey(Key key)
{
    HWND hDlg = ActiveDialog();
    if (hDlg == nullptr)
        return;
    switch (key) {
    case Key::Tab:
    case Key::ShiftTab:
        MoveFocus(hDlg, key == Key::ShiftTab);
        break;
    case Key::Enter:
        PressEnter(hDlg);
        break;
    case Key::Escape:
        SendMessageA(hDlg, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
        break;
    case Key::AltF4:
        SendMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case Key::Backspace:
        EditFocused(EditAction::Backspace);
        break;
    case Key::Delete:
        EditFocused(EditAction::Delete);
        break;
    case Key::Home:
        EditFocused(EditAction::Home);
        break;
    case Key::End:
        EditFocused(EditAction::End);
        break;
    case Key::Undo:
        if (HWND edit = FocusedEdit())
            SendMessageA(edit, EM_UNDO, 0, 0);
        break;
    }
    DispatchPostedMessages();
}

void TypeText(std::string_view text)
{
    for (const char c : text) {
        // An edit control takes no control characters as text.
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            continue;
        if (HWND edit = FocusedEdit())
            ReplaceSelection(edit, std::string_view(&c, 1));
        DispatchPostedMessages();
    }
}

void PasteText(std::string_view text)
{
    if (HWND edit = FocusedEdit())
        ReplaceSelection(edit, text.substr(0, text.find_first_of("\r\n")));
    DispatchPostedMessages();
}

void SelectAll()
{
    EditFocused(EditAction::SelectAll);
}

void ReplaceText(HWND edit, std::string_view text, std::size_t caret)
{
    if (LiveWindow(edit) == nullptr || edit->kind != WindowKind::Edit || edit->text == text)
        return;
    // The smallest replacement that turns the old text into the new one, with the inserted
    // text ending at the caret where the old text allows it, as the user's keys made it.
    const std::string_view old = edit->text;
    caret = std::min(caret, text.size());
    std::size_t suffix = text.size() - caret;
    if (suffix > old.size() || old.substr(old.size() - suffix) != text.substr(caret)) {
        suffix = 0;
        while (suffix < old.size() && suffix < text.size() &&
               old[old.size() - 1 - suffix] == text[text.size() - 1 - suffix])
            ++suffix;
    }
    std::size_t prefix = 0;
    const std::size_t prefixLimit = std::min(old.size(), text.size()) - suffix;
    while (prefix < prefixLimit && old[prefix] == text[prefix])
        ++prefix;
    ReplaceRange(edit, prefix, old.size() - suffix, text.substr(prefix, text.size() - suffix - prefix));
    DispatchPostedMessages();
}

void ClickCloseBox()
{
    if (HWND hDlg = ActiveDialog())
        SendMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    DispatchPostedMessages();
}

} // namespace standin
