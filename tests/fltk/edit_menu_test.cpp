// The fields' context menu and undo in the Linux window, through real X pointer and key events.
// GoogleTest first: Xlib's headers define macros (None, Bool) that its names collide with.
#include <gtest/gtest.h>

#include "dialog/resource.h"
#include "platform/fltk/dialog_window.h"
#include "platform/fltk/edit_menu.h"
#include "tests/dialog/fields.h"
#include "tests/dialog/user.h"
#include "tests/fltk/user_fltk.h"
#include "tests/fltk/x_keys.h"

#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/x.H>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

namespace {

const bool kFontPinned = setenv("FONTCONFIG_FILE", ZAHLIX_FONTS_CONF, 1) == 0;

Fl_Input &InputOf(HWND hDlg, int id)
{
    return *dynamic_cast<Fl_Input *>(user::ShownDialogWindow()->WidgetOf(GetDlgItem(hDlg, id)));
}

void Play(const user::Scenario &scenario)
{
    ASSERT_TRUE(kFontPinned);
    const auto run = user::RunProgram(scenario);
    EXPECT_TRUE(run.scenarioRan);
    EXPECT_EQ(run.result, 0);
}

KeySym g_menuKey;
bool g_menuStayedOpen;

// A menu that the letter did not close is closed with Escape.
void CloseMenuIfOpen(void * /*data*/)
{
    g_menuStayedOpen = Fl::grab() != nullptr;
    if (g_menuStayedOpen)
        xkeys::Tap(fl_display, XK_Escape);
}

void TapMenuKey(void * /*data*/)
{
    xkeys::Tap(fl_display, g_menuKey);
    Fl::add_timeout(0.1, CloseMenuIfOpen);
}

// Opens a menu and, once it is up and running its own loop, taps `key` in it. Returns whether
// the menu was still open after the key.
bool InMenu(const std::function<void()> &open, KeySym key)
{
    g_menuKey = key;
    g_menuStayedOpen = false;
    Fl::add_timeout(0.1, TapMenuKey);
    open();
    user::Settle();
    Fl::remove_timeout(TapMenuKey);
    Fl::remove_timeout(CloseMenuIfOpen);
    return g_menuStayedOpen;
}

void ShiftF10()
{
    xkeys::Tap(fl_display, XK_F10, xkeys::kShift);
    user::Settle();
}

void MenuKey()
{
    xkeys::Tap(fl_display, XK_Menu);
    user::Settle();
}

// A right-click in the middle of a field.
std::function<void()> RightClickOn(HWND hDlg, int id)
{
    return [hDlg, id] {
        const Fl_Input &input = InputOf(hDlg, id);
        int x = 0;
        int y = 0;
        Window child = 0;
        XTranslateCoordinates(fl_display, fl_xid(user::ShownDialogWindow()), DefaultRootWindow(fl_display),
                              input.x() + input.w() / 2, input.y() + input.h() / 2, &x, &y, &child);
        xkeys::Click(fl_display, x, y, 3);
        user::Settle();
    };
}

void CopyToClipboard(const char *text)
{
    Fl::copy(text, static_cast<int>(std::char_traits<char>::length(text)), 1);
}

// A paste from the clipboard arrives as an X event once its owner answers: waits, bounded, until
// the fields show what it gives.
bool PastedInto(HWND hDlg, const Fields &expected)
{
    for (int tries = 0; tries < 300 && ReadFields(hDlg) != expected; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        user::Settle();
    }
    return ReadFields(hDlg) == expected;
}

struct MenuCase {
    const char *name;
    const char *typed; // into DEC first
    bool selectAll;    // then Ctrl+A
    void (*open)();
    KeySym letter;
    bool applies; // whether the item applies, so that the letter chooses it and closes the menu
    Fields expected;
};

void PrintTo(const MenuCase &param, std::ostream *out)
{
    *out << param.name;
}

class EditMenu : public testing::TestWithParam<MenuCase> {};

TEST_P(EditMenu, ChoosesTheItemThatTheLetterUnderlines)
{
    const MenuCase &param = GetParam();
    Play([&](HWND hDlg) {
        user::Type(param.typed);
        if (param.selectAll)
            xkeys::Tap(fl_display, XK_a, xkeys::kControl);
        EXPECT_EQ(InMenu(param.open, param.letter), !param.applies) << "the menu stayed open";
        EXPECT_EQ(ReadFields(hDlg), param.expected);
        EXPECT_EQ(GetFocus(), GetDlgItem(hDlg, IDC_DEC));
        user::Press(user::Key::Escape);
    });
}

INSTANTIATE_TEST_SUITE_P(
    FltkHost, EditMenu,
    testing::Values(MenuCase{"Undo", "12", false, ShiftF10, XK_u, true, {"", "0", ""}},
                    MenuCase{"Cut", "255", true, MenuKey, XK_t, true, {"", "0", ""}},
                    MenuCase{"Delete", "255", true, ShiftF10, XK_d, true, {"", "0", ""}},
                    MenuCase{"CopyChangesNothing", "255", true, ShiftF10, XK_c, true, {"255", "FF", "11111111"}},
                    // Items that do not apply cannot be chosen: nothing is selected to cut, and
                    // all of the text is selected already.
                    MenuCase{"CutWithoutSelection", "255", false, ShiftF10, XK_t, false, {"255", "FF", "11111111"}},
                    MenuCase{"SelectAllWithAllSelected", "255", true, MenuKey, XK_a, false, {"255", "FF", "11111111"}}),
    [](const testing::TestParamInfo<MenuCase> &info) { return info.param.name; });

// Cut puts the text on the clipboard, and Select All then Paste from the menu brings it back.
TEST(EditMenu, CutSelectAllAndPasteRoundTrip)
{
    Play([](HWND hDlg) {
        user::Type("255");
        xkeys::Tap(fl_display, XK_a, xkeys::kControl);
        InMenu(ShiftF10, XK_t);
        EXPECT_EQ(ReadFields(hDlg), (Fields{"", "0", ""}));
        InMenu(ShiftF10, XK_p);
        EXPECT_TRUE(PastedInto(hDlg, {"255", "FF", "11111111"})) << ReadFields(hDlg);
        InMenu(ShiftF10, XK_a);
        user::Type("7");
        EXPECT_EQ(ReadFields(hDlg), (Fields{"7", "7", "111"}));
        user::Press(user::Key::Escape);
    });
}

// A right-click on HEX while DEC has the focus gives HEX the focus, and its Paste is HEX's
// edit: DEC and BIN follow.
TEST(EditMenu, PasteIntoHexThroughItsMenuWhileDecHadTheFocus)
{
    Play([](HWND hDlg) {
        CopyToClipboard("ff");
        ASSERT_EQ(GetFocus(), GetDlgItem(hDlg, IDC_DEC));
        InMenu(RightClickOn(hDlg, IDC_HEX), XK_p);
        EXPECT_EQ(GetFocus(), GetDlgItem(hDlg, IDC_HEX));
        EXPECT_TRUE(PastedInto(hDlg, {"255", "ff", "11111111"})) << ReadFields(hDlg);
        user::Press(user::Key::Escape);
    });
}

// Escape closes the menu and nothing else: the dialog goes on.
TEST(EditMenu, EscapeClosesOnlyTheMenu)
{
    Play([](HWND hDlg) {
        user::Type("5");
        EXPECT_FALSE(InMenu(ShiftF10, XK_Escape));
        user::Type("1");
        EXPECT_EQ(ReadFields(hDlg), (Fields{"51", "33", "110011"}));
        user::Press(user::Key::Escape);
    });
}

TEST(EditMenu, ItemsApplyAsTheFieldAndClipboardAllow)
{
    Play([](HWND hDlg) {
        // Nobody owns the clipboard, and the field is empty.
        const Atom clipboard = XInternAtom(fl_display, "CLIPBOARD", False);
        XSetSelectionOwner(fl_display, clipboard, None, CurrentTime);
        user::Settle();
        HWND dec = GetDlgItem(hDlg, IDC_DEC);
        EXPECT_EQ(fltkhost::EditMenuStateOf(dec, InputOf(hDlg, IDC_DEC)), (fltkhost::EditMenuState{}));
        // Typed text with its first character selected, and text on the clipboard.
        user::Type("12");
        user::Press(user::Key::Home);
        xkeys::Tap(fl_display, XK_Right, xkeys::kShift);
        user::Settle();
        CopyToClipboard("3");
        const fltkhost::EditMenuState all{.undo = true, .selection = true, .paste = true, .selectAll = true};
        EXPECT_EQ(fltkhost::EditMenuStateOf(dec, InputOf(hDlg, IDC_DEC)), all);
        // Text that another program offers can be pasted too.
        XSetSelectionOwner(fl_display, clipboard, None, CurrentTime);
        user::Settle();
        // NOLINTNEXTLINE(cert-env33-c): a fixed command line of the test's own
        FILE *xclip = popen("xclip -selection clipboard >/dev/null 2>&1", "w");
        ASSERT_NE(xclip, nullptr);
        std::fputs("4", xclip);
        EXPECT_EQ(pclose(xclip), 0);
        for (int tries = 0; tries < 300 && XGetSelectionOwner(fl_display, clipboard) == None; ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(fltkhost::EditMenuStateOf(dec, InputOf(hDlg, IDC_DEC)).paste);
        user::Press(user::Key::Escape);
    });
}

// Alt+Backspace undoes as Ctrl+Z does, and a field keeps its undo while the focus is elsewhere.
TEST(EditMenu, AltBackspaceUndoesAfterTheFocusCameBack)
{
    Play([](HWND hDlg) {
        user::Type("12");
        user::Press(user::Key::Tab);
        user::Press(user::Key::ShiftTab);
        xkeys::Tap(fl_display, XK_BackSpace, xkeys::kAlt);
        user::Settle();
        EXPECT_EQ(ReadFields(hDlg), (Fields{"", "0", ""}));
        user::Press(user::Key::Escape);
    });
}

} // namespace
