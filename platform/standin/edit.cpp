// The single-line edit control: its text, its selection, and EN_CHANGE after every change.
#include "platform/standin/edit.h"

#include <algorithm>

namespace standin {

namespace {

void SetSelection(HWND edit, std::size_t start, std::size_t end)
{
    const std::size_t size = edit->text.size();
    edit->selStart = std::min(start, size);
    edit->selEnd = std::min(end, size);
}

std::size_t SelectionLow(HWND edit)
{
    return std::min(edit->selStart, edit->selEnd);
}

std::size_t SelectionHigh(HWND edit)
{
    return std::max(edit->selStart, edit->selEnd);
}

} // namespace

void ReplaceSelection(HWND edit, std::string_view text)
{
    const std::size_t low = SelectionLow(edit);
    const std::size_t high = SelectionHigh(edit);
    if (low == high && text.empty())
        return;
    edit->text.replace(low, high - low, text);
    SetSelection(edit, low + text.size(), low + text.size());
    NotifyParent(edit, EN_CHANGE);
}

void EditKey(HWND edit, EditAction action)
{
    const std::size_t caret = edit->selEnd;
    const bool selected = edit->selStart != edit->selEnd;
    switch (action) {
    case EditAction::Backspace:
        if (!selected && caret > 0)
            SetSelection(edit, caret - 1, caret);
        ReplaceSelection(edit, {});
        break;
    case EditAction::Delete:
        if (!selected)
            SetSelection(edit, caret, caret + 1);
        ReplaceSelection(edit, {});
        break;
    case EditAction::Home:
        SetSelection(edit, 0, 0);
        break;
    case EditAction::End:
        SetSelection(edit, edit->text.size(), edit->text.size());
        break;
    case EditAction::SelectAll:
        SetSelection(edit, 0, edit->text.size());
        break;
    }
}

LRESULT EditMessage(HWND edit, UINT message, WPARAM /*wParam*/, LPARAM lParam)
{
    switch (message) {
    case WM_SETTEXT:
        // Setting the text always notifies, even when the text is unchanged or empty.
        edit->text = lParam != 0 ? reinterpret_cast<LPCSTR>(lParam) : "";
        SetSelection(edit, 0, 0);
        NotifyParent(edit, EN_CHANGE);
        return TRUE;
    default:
        return 0;
    }
}

} // namespace standin
