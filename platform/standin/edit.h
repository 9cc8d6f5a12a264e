// The user's edits of a single-line edit control.
#ifndef ZAHLIX_PLATFORM_STANDIN_EDIT_H
#define ZAHLIX_PLATFORM_STANDIN_EDIT_H

#include "platform/standin/window.h"

#include <cstddef>
#include <string_view>

namespace standin {

enum class EditAction { Backspace, Delete, Home, End, SelectAll };

// Replaces the selection with `text` and leaves the caret after it; a change raises EN_CHANGE
// and can be undone.
void ReplaceSelection(HWND edit, std::string_view text);

// Selects the bytes from `start` to `end` and replaces them with `text`, as above.
void ReplaceRange(HWND edit, std::size_t start, std::size_t end, std::string_view text);

// A key that the edit control handles itself.
void EditKey(HWND edit, EditAction action);

} // namespace standin

#endif
