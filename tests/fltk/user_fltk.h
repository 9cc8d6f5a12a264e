// What the FLTK host's own tests use beside the shared user of tests/dialog/user.h.
#ifndef ZAHLIX_TESTS_FLTK_USER_FLTK_H
#define ZAHLIX_TESTS_FLTK_USER_FLTK_H

namespace fltkhost {
class DialogWindow;
}

namespace user {

// The window of the running dialog, or nullptr.
fltkhost::DialogWindow *ShownDialogWindow();

// Returns once FLTK has handled every event that the X server has sent so far.
void Settle();

} // namespace user

#endif
