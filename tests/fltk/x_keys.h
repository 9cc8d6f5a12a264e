// Real keyboard input on an X display, through the XTest extension: the X server delivers the
// keys to the window that has the input focus, as it delivers a user's.
#ifndef ZAHLIX_TESTS_FLTK_X_KEYS_H
#define ZAHLIX_TESTS_FLTK_X_KEYS_H

#include <X11/Xlib.h>

#include <string_view>

namespace xkeys {

enum Modifier : unsigned { kNone = 0, kShift = 1U, kControl = 2U, kAlt = 4U };

// Presses and releases the key of a keysym with the modifiers held. A keysym that no key of
// the keyboard produces (a character of another script, say) is given a spare keycode first.
void Tap(Display *display, KeySym keysym, unsigned modifiers = kNone);

// Types UTF-8 text, one key per character.
void TypeUtf8(Display *display, std::string_view text);

// Moves the pointer to a point of the screen and clicks a button there (3: the right one).
void Click(Display *display, int rootX, int rootY, unsigned button);

} // namespace xkeys

#endif
