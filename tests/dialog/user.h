// The user of the dialog under test: keys and pastes delivered through the dialog manager's own
// keyboard handling, and runs of the program or the dialog with a scenario played inside their
// modal run. Scenarios use only this and Win32 calls, so that the same scenario runs on the
// stand-in dialog manager (user_standin.cpp) and on the real USER32.
#ifndef ZAHLIX_TESTS_DIALOG_USER_H
#define ZAHLIX_TESTS_DIALOG_USER_H

#include "platform/win32.h"

#include <functional>
#include <string_view>

namespace user {

enum class Key { Tab, ShiftTab, Enter, Escape, AltF4, Backspace, Delete, Home, End, Undo };

// Keys go to the focused control, or to the dialog when no control has the focus.
void Press(Key key);
void Type(std::string_view text); // one character after another
void Paste(std::string_view text);
void ClickCloseBox(HWND hDlg);

using Scenario = std::function<void(HWND hDlg)>;

struct Run {
    INT_PTR result = 0; // what WinMain or DialogBoxParamA returned
    bool scenarioRan = false;
    bool quitPosted = false; // a quit request was left in the thread's queue (it is removed)
    WPARAM quitCode = 0;
};

// Starts the program through WinMain and plays the scenario once its dialog runs.
Run RunProgram(const Scenario &scenario);

// Runs the converter dialog from the program's template with another dialog procedure.
Run RunDialog(DLGPROC proc, const Scenario &scenario);

// What each dialog manager's file provides for the two above: calls `start`, which runs a modal
// dialog, and plays the scenario once that dialog runs. Sets Run's result and scenarioRan.
Run Play(const Scenario &scenario, const std::function<INT_PTR()> &start);

} // namespace user

#endif
