// What tests and hosts use of the stand-in dialog manager beyond Win32's own calls: the user's
// actions on the dialog that has the keyboard, a module made from any resource bytes, and the
// queue of actions that a headless modal run plays.
#ifndef ZAHLIX_PLATFORM_STANDIN_STANDIN_H
#define ZAHLIX_PLATFORM_STANDIN_STANDIN_H

#include "platform/win32.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string_view>

namespace standin {

// Keys that the dialog manager or the focused edit control handles.
enum class Key { Tab, ShiftTab, Enter, Escape, AltF4, Backspace, Delete, Home, End, Undo };

// One keystroke. Tab and Shift+Tab move the focus among the visible, enabled WS_TABSTOP controls
// in template order, wrapping, and select the whole text of an edit control they enter. Enter
// issues the default push button's command while that button is enabled (IDOK without one),
// Escape issues IDCANCEL, Alt+F4 asks to close the window as the close box does. Undo (Ctrl+Z,
// Alt+Backspace) undoes the focused edit control's last change.
void PressKey(Key key);

// Types the characters one by one into the focused edit control, each replacing the selection
// and raising one EN_CHANGE.
void TypeText(std::string_view text);

// Pastes text into the focused edit control in one change, up to its first line break.
void PasteText(std::string_view text);

// Selects the whole text of the focused edit control.
void SelectAll();

// The user changed the text of an edit control to `text` in one edit (a host's own editing),
// leaving the caret at byte `caret` of it. The dialog manager takes it as the one replacement
// that makes that change, so that undo treats it as the same keys on Windows would.
void ReplaceText(HWND edit, std::string_view text, std::size_t caret);

// The close box, or Close on the system menu: WM_SYSCOMMAND with SC_CLOSE.
void ClickCloseBox();

// Queues an action for the headless modal run of DialogBoxParamA, which plays the queued
// actions in order until EndDialog. Running out of actions before that is an error.
void QueueUserAction(std::function<void(HWND hDlg)> action);

// Drops the actions that no modal run has played; returns how many there were.
std::size_t DiscardUserActions();

// A module whose resources are the given compiled resource file (.res). The bytes must outlive
// the module; the module lives as long as the process.
HINSTANCE LoadModule(std::span<const std::byte> resources);

} // namespace standin

#endif
