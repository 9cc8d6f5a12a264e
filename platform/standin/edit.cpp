// The single-line edit control: its text, its selection, its one level of undo, and EN_CHANGE
// after every change.
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

void EmptyUndo(HWND edit)
{
    edit->undoText.clear();
    edit->undoInsertCount = 0;
}

// Keeps what undoes a change at `position` that deleted `deleted` and inserted `inserted`
// bytes. Deletions next to the last one, and insertions that continue the last one, join it:
// a run of typing or of Backspace is one step to undo.
void RecordUndo(HWND edit, std::size_t position, const std::string &deleted, std::size_t inserted)
{
    if (!deleted.empty()) {
        const bool deleting = edit->undoInsertCount == 0 && !edit->undoText.empty();
        if (deleting && position == edit->undoPosition) {
            edit->undoText += deleted;
        } else if (deleting && position + deleted.size() == edit->undoPosition) {
            edit->undoText.insert(0, deleted);
            edit->undoPosition = position;
        } else {
            edit->undoText = deleted;
            edit->undoPosition = position;
        }
        edit->undoInsertCount = 0;
    }
    if (inserted != 0) {
        const bool continues = edit->undoInsertCount != 0 && position == edit->undoPosition + edit->undoInsertCount;
        if (position == edit->undoPosition || continues) {
            edit->undoInsertCount += inserted;
        } else {
            edit->undoText.clear();
            edit->undoPosition = position;
            edit->undoInsertCount = inserted;
        }
    }
}

// Replaces the selection, keeping what undoes it; returns whether the text changed.
bool Replace(HWND edit, std::string_view text)
{
    const std::size_t low = SelectionLow(edit);
    const std::size_t high = SelectionHigh(edit);
    if (low == high && text.empty())
        return false;
    const std::string deleted = edit->text.substr(low, high - low);
    edit->text.replace(low, high - low, text);
    RecordUndo(edit, low, deleted, text.size());
    SetSelection(edit, low + text.size(), low + text.size());
    return true;
}

// Puts back what the last change deleted in place of what it inserted, and selects it. That
// change can be undone in turn, so a second undo redoes the first change.
void Undo(HWND edit)
{
    const std::string restored = edit->undoText;
    SetSelection(edit, edit->undoPosition, edit->undoPosition + edit->undoInsertCount);
    EmptyUndo(edit);
    Replace(edit, restored);
    SetSelection(edit, edit->undoPosition, edit->undoPosition + edit->undoInsertCount);
    NotifyParent(edit, EN_CHANGE);
}

} // namespace

void ReplaceSelection(HWND edit, std::string_view text)
{
    if (Replace(edit, text))
        NotifyParent(edit, EN_CHANGE);
}

void ReplaceRange(HWND edit, std::size_t start, std::size_t end, std::string_view text)
{
    SetSelection(edit, start, end);
    ReplaceSelection(edit, text);
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

LRESULT EditMessage(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case EM_GETSEL: {
        // The selection's low and high end, each into a DWORD that the caller may pass, and
        // both in the result's words; -1 when one of them does not fit in a word.
        const auto low = static_cast<DWORD>(SelectionLow(edit));
        const auto high = static_cast<DWORD>(SelectionHigh(edit));
        if (wParam != 0)
            *reinterpret_cast<DWORD *>(wParam) = low;
        if (lParam != 0)
            *reinterpret_cast<DWORD *>(lParam) = high;
        if (high > 0xFFFFU)
            return -1;
        return static_cast<LRESULT>(low | (high << 16U));
    }
    case WM_SETTEXT:
        // Setting the text always notifies, even when the text is unchanged or empty, and
        // leaves nothing to undo.
        edit->text = lParam != 0 ? reinterpret_cast<LPCSTR>(lParam) : "";
        SetSelection(edit, 0, 0);
        EmptyUndo(edit);
        NotifyParent(edit, EN_CHANGE);
        return TRUE;
    case EM_CANUNDO:
        return edit->undoInsertCount != 0 || !edit->undoText.empty() ? TRUE : FALSE;
    case EM_UNDO:
    case WM_UNDO:
        // One change, one notification, even with nothing to undo. A single-line edit control
        // answers TRUE.
        Undo(edit);
        return TRUE;
    default:
        return 0;
    }
}

} // namespace standin
