// The context menu of an edit control, as Windows' edit control offers it: Undo, Cut, Copy,
// Paste, Delete and Select All, each enabled while it applies.
#ifndef ZAHLIX_PLATFORM_FLTK_EDIT_MENU_H
#define ZAHLIX_PLATFORM_FLTK_EDIT_MENU_H

#include "platform/win32.h"

class Fl_Input;

namespace fltkhost {

// Which items apply now to the edit control `control` shown by `input`.
struct EditMenuState {
    bool undo = false;      // the control has a change to undo
    bool selection = false; // Cut, Copy and Delete: some text is selected
    bool paste = false;     // the clipboard holds text
    bool selectAll = false; // there is text, and not all of it is selected
    bool operator==(const EditMenuState &) const = default;
};

EditMenuState EditMenuStateOf(HWND control, Fl_Input &input);

// Opens the menu with its top left corner at (x, y) in the window's coordinates, in the
// input's font, and carries out the item the user chooses. Each change to the text is the
// user's edit of the field: the input's callback runs once for it, and Undo goes to the dialog
// manager's edit control.
void ShowEditMenu(HWND control, Fl_Input &input, int x, int y);

} // namespace fltkhost

#endif
