// The FLTK host's own behaviour: dialog units, the window icon, and the window and the text
// boundary as a user meets them through real X input. The window tests run under Xvfb at 96
// dots per inch with the pinned font of fonts.conf.
// GoogleTest first: Xlib's headers define macros (None, Bool) that its names collide with.
#include <gtest/gtest.h>

#include "dialog/resource.h"
#include "platform/fltk/dialog_units.h"
#include "platform/fltk/dialog_window.h"
#include "platform/fltk/x11/window_icon.h"
#include "platform/standin/module.h"
#include "tests/dialog/fields.h"
#include "tests/dialog/user.h"
#include "tests/fltk/icon_text.h"
#include "tests/fltk/user_fltk.h"
#include "tests/fltk/x_keys.h"

#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/x.H>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

// Every window of this program uses the pinned font, set before FLTK opens any.
const bool kFontPinned = setenv("FONTCONFIG_FILE", ZAHLIX_FONTS_CONF, 1) == 0;

using fltkhost::BaseUnits;
using fltkhost::PixelRect;

TEST(DialogUnits, FollowWindowsRounding)
{
    const struct {
        int number, numerator, denominator, expected;
    } mulDiv[] = {
        {129, 7, 4, 226}, {52, 14, 8, 91}, {2, 7, 4, 4}, {1, 7, 4, 2},  {-1, 7, 4, -2},
        {-3, 3, 2, -5},   {3, -3, 2, -5},  {0, 7, 4, 0}, {5, 1, 0, -1}, {8, 96, 72, 11},
    };
    for (const auto &c : mulDiv)
        EXPECT_EQ(fltkhost::MulDiv(c.number, c.numerator, c.denominator), c.expected)
            << c.number << " * " << c.numerator << " / " << c.denominator;

    const struct {
        int alphabet, height;
        BaseUnits expected;
    } fonts[] = {
        {359, 14, {7, 14}}, // DejaVu Sans at 11 px
        {322, 13, {6, 13}}, // 322 / 26 = 12.4: halved and rounded up from 12
        {338, 13, {7, 13}}, // 338 / 26 = 13
        {25, 1, {0, 1}},
    };
    for (const auto &f : fonts)
        EXPECT_EQ(fltkhost::BaseUnitsOfFont(f.alphabet, f.height), f.expected) << "alphabet " << f.alphabet;

    EXPECT_EQ(fltkhost::FontPixelSize(8, 96), 11);
    EXPECT_EQ(fltkhost::FontPixelSize(8, 120), 13);
    EXPECT_EQ(fltkhost::FontPixelSize(8, 144), 16);
    EXPECT_EQ(fltkhost::DialogRectToPixels(27, 33, 96, 12, {7, 14}), (PixelRect{47, 58, 168, 21}));
}

// The window icon is the Windows icon: the picture of resources/zahlix_icon.txt.
TEST(WindowIcon, IsThePictureOfTheIconText)
{
    const auto icon = fltkhost::ProgramIcon(standin::ProgramResources());
    ASSERT_TRUE(icon.has_value());
    ASSERT_EQ(icon->width, 32);
    ASSERT_EQ(icon->height, 32);
    const auto rows = ReadIconText();
    ASSERT_EQ(rows.size(), 32U);
    int mismatches = 0;
    for (std::size_t y = 0; y < 32; ++y) {
        for (std::size_t x = 0; x < 32; ++x) {
            const unsigned char *p = &icon->rgba[(y * 32 + x) * 4];
            const auto argb = IconLetterArgb(rows[y][x]);
            ASSERT_TRUE(argb.has_value()) << "letter " << rows[y][x];
            const std::uint32_t pixel = p[3] == 0 ? 0
                                                  : (std::uint32_t{p[3]} << 24U) | (std::uint32_t{p[0]} << 16U) |
                                                        (std::uint32_t{p[1]} << 8U) | p[2];
            if (pixel != *argb && ++mismatches < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is not '" << rows[y][x] << "'";
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// Every shortening of the resources, and an image that claims more than it holds, gives no icon
// rather than a read past the bytes (the sanitizers watch).
TEST(WindowIcon, RejectsTruncatedResources)
{
    const auto bytes = standin::ProgramResources();
    for (std::size_t size = 0; size < bytes.size(); size += 7)
        (void)fltkhost::ProgramIcon(bytes.first(size));
    EXPECT_TRUE(fltkhost::ProgramIcon(bytes).has_value());
    EXPECT_FALSE(fltkhost::ProgramIcon({}).has_value());
}

// Runs the program with the scenario on the real window.
void Play(const user::Scenario &scenario)
{
    const auto run = user::RunProgram(scenario);
    EXPECT_TRUE(run.scenarioRan);
    EXPECT_EQ(run.result, 0);
}

fltkhost::DialogWindow &Window()
{
    return *user::ShownDialogWindow();
}

std::string WidgetText(HWND hDlg, int id)
{
    auto *input = dynamic_cast<Fl_Input *>(Window().WidgetOf(GetDlgItem(hDlg, id)));
    return input != nullptr ? input->value() : "(no input)";
}

// The window's client area is the template's 129 x 52 dialog units in the pinned font's base
// units (DejaVu Sans at 11 px, 8 points at 96 dpi: the letters measure 359 px, the line 14 px,
// so 7 x 14), and the controls sit where the dialog manager places them.
TEST(DialogWindow, IsSizedByTheFontsBaseUnitsAndShowsOnlyVisibleControls)
{
    Play([](HWND hDlg) {
        fltkhost::DialogWindow &window = Window();
        ASSERT_TRUE(kFontPinned);
        EXPECT_EQ(window.Units(), (BaseUnits{7, 14}));
        EXPECT_EQ(window.w(), 226);
        EXPECT_EQ(window.h(), 91);
        const struct {
            int id;
            PixelRect rect;
            bool visible;
            const char *label;
        } controls[] = {
            {IDC_DEC, {47, 14, 168, 21}, true, nullptr},     {IDC_HEX, {47, 35, 168, 21}, true, nullptr},
            {IDC_BIN, {47, 58, 168, 21}, true, nullptr},     {IDCANCEL, {54, 0, 25, 11}, false, "Beenden"},
            {IDC_DEC_LABEL, {14, 18, 32, 14}, true, "DEC:"}, {IDC_HEX_LABEL, {14, 40, 32, 14}, true, "HEX:"},
            {IDC_BIN_LABEL, {14, 61, 26, 14}, true, "BIN:"}, {IDC_CALCULATE, {9, 0, 35, 11}, false, "Berechnen"},
        };
        for (const auto &c : controls) {
            const Fl_Widget *widget = window.WidgetOf(GetDlgItem(hDlg, c.id));
            ASSERT_NE(widget, nullptr) << c.id;
            EXPECT_EQ((PixelRect{widget->x(), widget->y(), widget->w(), widget->h()}), c.rect) << c.id;
            EXPECT_EQ(widget->visible() != 0, c.visible) << c.id;
            if (c.label != nullptr) {
                EXPECT_STREQ(widget->label(), c.label) << c.id;
            }
        }
        user::Press(user::Key::Escape);
    });
}

// The fields show what the program wrote: the widgets, not only the dialog manager's texts.
TEST(DialogWindow, InputsShowTheTextsTheProgramWrites)
{
    Play([](HWND hDlg) {
        user::Type("123");
        EXPECT_EQ(WidgetText(hDlg, IDC_DEC), "123");
        EXPECT_EQ(WidgetText(hDlg, IDC_HEX), "7B");
        EXPECT_EQ(WidgetText(hDlg, IDC_BIN), "1111011");
        user::Press(user::Key::Escape);
    });
}

// Characters outside the program's code page reach it as Windows hands them to an 8-bit
// program: 1252's own bytes, a close character, or '?'.
struct BoundaryCase {
    const char *name;
    const char *utf8; // typed into DEC
    const char *ansi; // what the program reads
    const char *hex;  // what it makes of it
};

class TextBoundary : public testing::TestWithParam<BoundaryCase> {};

void PrintTo(const BoundaryCase &param, std::ostream *out)
{
    *out << param.name;
}

TEST_P(TextBoundary, TypedCharactersReachTheProgramIn1252)
{
    const BoundaryCase &param = GetParam();
    Play([&](HWND hDlg) {
        xkeys::TypeUtf8(fl_display, param.utf8);
        user::Settle();
        EXPECT_EQ(FieldText(hDlg, IDC_DEC), param.ansi);
        EXPECT_EQ(FieldText(hDlg, IDC_HEX), param.hex);
        EXPECT_EQ(WidgetText(hDlg, IDC_DEC), param.utf8) << "the field keeps what was typed";
        user::Press(user::Key::Escape);
    });
}

TEST_P(TextBoundary, PastedTextReachesTheProgramIn1252)
{
    const BoundaryCase &param = GetParam();
    Play([&](HWND hDlg) {
        const std::string utf8 = param.utf8;
        Fl::copy(utf8.data(), static_cast<int>(utf8.size()), 1);
        xkeys::Tap(fl_display, XK_v, xkeys::kControl);
        user::Settle();
        EXPECT_EQ(FieldText(hDlg, IDC_DEC), param.ansi);
        EXPECT_EQ(FieldText(hDlg, IDC_HEX), param.hex);
        user::Press(user::Key::Escape);
    });
}

INSTANTIATE_TEST_SUITE_P(FltkHost, TextBoundary,
                         testing::Values(BoundaryCase{"EAcute", "\xC3\xA9", "\xE9", "FFFFFFB9"},   // 0xE9 is -23: -71
                                         BoundaryCase{"Euro", "\xE2\x82\xAC", "\x80", "FFFFFF50"}, // 0x80 is -128: -176
                                         BoundaryCase{"FullwidthDigits", "\xEF\xBC\x91\xEF\xBC\x92", "12", "C"},
                                         BoundaryCase{"MinusSign",
                                                      "\xE2\x88\x92"
                                                      "5",
                                                      "-5", "FFFFFFFB"},
                                         BoundaryCase{"Ideograph", "\xE6\x97\xA5", "?", "F"}), // '?' is 63: 15
                         [](const testing::TestParamInfo<BoundaryCase> &info) { return info.param.name; });

// Waits, bounded, until the condition holds, handling X events meanwhile.
template <typename Condition> bool WaitFor(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        user::Settle();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Another program owns the clipboard: the paste crosses the X server and comes back as an event.
TEST(FltkHost, PastesFromAnotherProgramsClipboard)
{
    Play([](HWND hDlg) {
        // xclip reads its input, then serves the clipboard from the background until the display ends;
        // its child takes the clipboard after the parent has gone, from an earlier test's xclip perhaps.
        const Atom clipboard = XInternAtom(fl_display, "CLIPBOARD", False);
        const ::Window earlier = XGetSelectionOwner(fl_display, clipboard);
        // NOLINTNEXTLINE(cert-env33-c): a fixed command line of the test's own
        FILE *xclip = popen("xclip -selection clipboard >/dev/null 2>&1", "w");
        ASSERT_NE(xclip, nullptr);
        std::fputs("ff", xclip);
        EXPECT_EQ(pclose(xclip), 0);
        ASSERT_TRUE(WaitFor([&] {
            const ::Window owner = XGetSelectionOwner(fl_display, clipboard);
            return owner != None && owner != earlier;
        }));
        user::Press(user::Key::Tab);
        xkeys::Tap(fl_display, XK_v, xkeys::kControl);
        EXPECT_TRUE(WaitFor([&] { return FieldText(hDlg, IDC_DEC) == "255"; })) << ReadFields(hDlg);
        EXPECT_EQ(ReadFields(hDlg), (Fields{"255", "ff", "11111111"}));
        user::Press(user::Key::Escape);
    });
}

// Cutting is a change like any other: the field's text goes, and the others follow.
TEST(FltkHost, CuttingRecalculates)
{
    Play([](HWND hDlg) {
        user::Type("255");
        xkeys::Tap(fl_display, XK_a, xkeys::kControl);
        xkeys::Tap(fl_display, XK_x, xkeys::kControl);
        user::Settle();
        EXPECT_EQ(ReadFields(hDlg), (Fields{"", "0", ""}));
        user::Press(user::Key::Escape);
    });
}

} // namespace
