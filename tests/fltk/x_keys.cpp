// XTest keys. The keyboard map is read from the server; a keysym without a key is bound to a
// keycode that carries no symbol, and stays bound for the rest of the process.
#include "tests/fltk/x_keys.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <iterator>
#include <map>

namespace xkeys {

namespace {

KeyCode SpareKeycode(Display *display)
{
    int low = 0;
    int high = 0;
    XDisplayKeycodes(display, &low, &high);
    int perCode = 0;
    KeySym *map = XGetKeyboardMapping(display, static_cast<KeyCode>(low), high - low + 1, &perCode);
    static std::map<int, bool> taken;
    KeyCode spare = 0;
    for (int code = high; code >= low && spare == 0; --code) {
        bool empty = !taken[code];
        for (int i = 0; i < perCode && empty; ++i)
            empty = map[(code - low) * perCode + i] == NoSymbol;
        if (empty)
            spare = static_cast<KeyCode>(code);
    }
    XFree(map);
    taken[spare] = true;
    return spare;
}

// The keycode for a keysym, and whether Shift must be held for it.
KeyCode KeycodeOf(Display *display, KeySym keysym, bool *shift)
{
    static std::map<KeySym, KeyCode> bound;
    *shift = false;
    KeyCode code = XKeysymToKeycode(display, keysym);
    if (code == 0) {
        if (auto found = bound.find(keysym); found != bound.end())
            return found->second;
        code = SpareKeycode(display);
        KeySym both[2] = {keysym, keysym};
        XChangeKeyboardMapping(display, code, 2, both, 1);
        XSync(display, False);
        bound[keysym] = code;
        return code;
    }
    *shift = XkbKeycodeToKeysym(display, code, 0, 0) != keysym && XkbKeycodeToKeysym(display, code, 0, 1) == keysym;
    return code;
}

void Key(Display *display, KeySym keysym, bool down)
{
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, keysym), down ? True : False, CurrentTime);
}

// The keysym of a Unicode character: Latin-1 ones are their own, others are marked as Unicode.
KeySym KeysymOf(char32_t c)
{
    if ((c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c < 0x100))
        return c;
    return 0x01000000U | c;
}

} // namespace

void Tap(Display *display, KeySym keysym, unsigned modifiers)
{
    bool shift = false;
    const KeyCode code = KeycodeOf(display, keysym, &shift);
    if (shift)
        modifiers |= kShift;
    // Held in this order, let go in the other.
    constexpr struct {
        unsigned modifier;
        KeySym keysym;
    } kModifierKeys[] = {{kShift, XK_Shift_L}, {kControl, XK_Control_L}, {kAlt, XK_Alt_L}};
    for (const auto &held : kModifierKeys) {
        if ((modifiers & held.modifier) != 0)
            Key(display, held.keysym, true);
    }
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    // Released in the reverse order. (clang 14 cannot compile std::views::reverse over
    // libstdc++ 12, and clang-tidy 19 would make the iterator loop a range-for.)
    for (std::size_t i = std::size(kModifierKeys); i-- > 0;) {
        if ((modifiers & kModifierKeys[i].modifier) != 0)
            Key(display, kModifierKeys[i].keysym, false);
    }
    XSync(display, False);
}

void TypeUtf8(Display *display, std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x3FU >> (length - 1));
        for (int k = 1; k < length && i + static_cast<std::size_t>(k) < text.size(); ++k)
            c = (c << 6U) | (static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0x3FU);
        i += static_cast<std::size_t>(length);
        Tap(display, KeysymOf(c));
    }
}

void Click(Display *display, int rootX, int rootY, unsigned button)
{
    XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XFlush(display);
}

} // namespace xkeys
