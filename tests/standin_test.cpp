// The stand-in dialog manager itself: its reading of the compiled resources, its answers to
// malformed ones, and the failures that the program turns into exit code 1.
#include "dialog/resource.h"
#include "platform/standin/codepage.h"
#include "platform/standin/dialog_template.h"
#include "platform/standin/module.h"
#include "platform/standin/standin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using standin::DialogTemplate;
using standin::Resource;

std::vector<Resource> ProgramResourceList()
{
    auto parsed = standin::ParseResourceFile(standin::ProgramResources());
    EXPECT_TRUE(std::holds_alternative<std::vector<Resource>>(parsed)) << std::get<std::string>(parsed);
    return std::get<std::vector<Resource>>(parsed);
}

std::vector<std::byte> DialogBytes()
{
    for (const auto &resource : ProgramResourceList()) {
        if (resource.type == standin::kResourceTypeDialog && resource.name == IDD_CONVERTER)
            return {resource.data.begin(), resource.data.end()};
    }
    ADD_FAILURE() << "no dialog " << IDD_CONVERTER;
    return {};
}

TEST(ResourceFile, HoldsTheDialogIconAndVersionInSwissGerman)
{
    constexpr WORD kIcon = 3;
    constexpr WORD kGroupIcon = 14;
    constexpr WORD kVersion = 16;
    std::vector<std::vector<WORD>> found;
    for (const auto &resource : ProgramResourceList())
        found.push_back({resource.type, resource.name, resource.language});
    const std::vector<std::vector<WORD>> expected{{kIcon, 1, 0x0807},
                                                  {standin::kResourceTypeDialog, IDD_CONVERTER, 0x0807},
                                                  {kGroupIcon, IDI_APPICON, 0x0807},
                                                  {kVersion, 1, 0x0807}};
    EXPECT_EQ(found, expected);
}

TEST(DialogTemplate, CompiledTemplateHasTheConverterLayout)
{
    const auto bytes = DialogBytes();
    auto parsed = standin::ParseDialogTemplate(bytes);
    ASSERT_TRUE(std::holds_alternative<DialogTemplate>(parsed)) << std::get<std::string>(parsed);
    const auto &dialog = std::get<DialogTemplate>(parsed);
    EXPECT_EQ(dialog.style, 0x00CA08C0U);
    EXPECT_EQ(dialog.exStyle, 0U);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 129);
    EXPECT_EQ(dialog.cy, 52);
    EXPECT_EQ(dialog.menu, "");
    EXPECT_EQ(dialog.className, "");
    EXPECT_EQ(dialog.caption, "Zahlix");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.fontName, "MS Sans Serif");

    const struct {
        WORD id;
        const char *className;
        const char *text;
        DWORD style;
        short x, y, cx, cy;
    } expected[] = {
        {IDC_DEC, "Edit", "", 0x50810080, 27, 8, 96, 12},
        {IDC_HEX, "Edit", "", 0x50810080, 27, 20, 96, 12},
        {IDC_BIN, "Edit", "", 0x50810080, 27, 33, 96, 12},
        {0xFFFF, "Button", "", 0x50000007, 2, 0, 125, 49},
        {IDCANCEL, "Button", "Beenden", 0x40010000, 31, 0, 14, 6},
        {IDC_DEC_LABEL, "Static", "DEC:", 0x50020000, 8, 10, 18, 8},
        {IDC_HEX_LABEL, "Static", "HEX:", 0x50020000, 8, 23, 18, 8},
        {IDC_BIN_LABEL, "Static", "BIN:", 0x50020000, 8, 35, 15, 8},
        {IDC_CALCULATE, "Button", "Berechnen", 0x40010001, 5, 0, 20, 6},
    };
    ASSERT_EQ(dialog.items.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto &item = dialog.items[i];
        const auto &want = expected[i];
        SCOPED_TRACE("control " + std::to_string(i + 1));
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(item.className, want.className);
        EXPECT_EQ(item.text, want.text);
        EXPECT_EQ(item.style, want.style);
        EXPECT_EQ(item.exStyle, 0U);
        EXPECT_EQ((std::vector<short>{item.x, item.y, item.cx, item.cy}),
                  (std::vector<short>{want.x, want.y, want.cx, want.cy}));
    }
}

// Every shortened copy lives in a buffer of exactly its size, so that the address sanitizer
// catches a read past the end.
TEST(DialogTemplate, RejectsEveryTruncationWithAReason)
{
    const auto bytes = DialogBytes();
    ASSERT_FALSE(bytes.empty());
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        const std::vector<std::byte> prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        auto parsed = standin::ParseDialogTemplate(prefix);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << "accepted " << size << " bytes";
        EXPECT_NE(std::get<std::string>(parsed).find("truncated"), std::string::npos);
    }
}

TEST(DialogTemplate, RejectsTheExtendedFormat)
{
    const std::vector<std::byte> ex{std::byte{1}, std::byte{0}, std::byte{0xFF}, std::byte{0xFF},
                                    std::byte{0}, std::byte{0}, std::byte{0},    std::byte{0}};
    auto parsed = standin::ParseDialogTemplate(ex);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
    EXPECT_NE(std::get<std::string>(parsed).find("DIALOGEX"), std::string::npos);
}

std::vector<std::byte> ResFileBytes()
{
    const auto program = standin::ProgramResources();
    return {program.begin(), program.end()};
}

void PutDword(std::vector<std::byte> &bytes, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::byte>(value >> (8U * static_cast<unsigned>(i)));
}

// Where the dialog template starts in the program's compiled resources.
std::size_t DialogOffset()
{
    const auto file = standin::ProgramResources();
    for (const auto &resource : ProgramResourceList()) {
        if (resource.type == standin::kResourceTypeDialog)
            return static_cast<std::size_t>(resource.data.data() - file.data());
    }
    return 0;
}

TEST(ResourceFile, RejectsTruncationsAndSizesBeyondTheFile)
{
    const auto bytes = ResFileBytes();
    // Each entry's header is 32 bytes here: sizes, ordinal type and name, and the rest.
    const std::size_t kDialogEntry = DialogOffset() - 32;
    const struct {
        const char *name;
        std::size_t size;
        std::size_t patchAt;
        std::uint32_t patch;
    } cases[] = {
        {"header cut short", kDialogEntry + 10, 0, 0},
        {"data cut short", bytes.size() - 1, 0, 0},
        {"data size too large", bytes.size(), kDialogEntry, 0xFFFFFFF0U},
        {"header size too large", bytes.size(), kDialogEntry + 4, 0xFFFFFFF0U},
        {"header size too small", bytes.size(), kDialogEntry + 4, 8},
    };
    for (const auto &c : cases) {
        std::vector<std::byte> copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(c.size));
        if (c.patchAt != 0)
            PutDword(copy, c.patchAt, c.patch);
        EXPECT_TRUE(std::holds_alternative<std::string>(standin::ParseResourceFile(copy))) << c.name;
    }
}

// The program ends with exit code 1, and says why, when its dialog cannot be created at all.
TEST(ProgramEntry, EndsWithOneWhenTheDialogCannotBeCreated)
{
    // Modules keep the bytes they are made from: these live as long as the process.
    static const std::vector<std::byte> noResources;
    static auto malformed = ResFileBytes();
    PutDword(malformed, DialogOffset() + 8, 9999); // the dialog claims 9999 controls
    const struct {
        const char *name;
        std::span<const std::byte> resources;
        const char *reason;
    } cases[] = {
        {"no template", noResources, "no dialog template 103"},
        {"malformed template", malformed, "dialog template 103 is malformed"},
    };
    for (const auto &c : cases) {
        char commandLine[] = "";
        testing::internal::CaptureStderr();
        const int exitCode = WinMain(standin::LoadModule(c.resources), nullptr, commandLine, SW_SHOWDEFAULT);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(exitCode, 1) << c.name;
        EXPECT_NE(said.find(c.reason), std::string::npos) << c.name << ": " << said;
        MSG msg{};
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << c.name;
    }
}

TEST(ProgramEntry, EndsWithOneWhenUserActionsRunOutBeforeTheDialogEnds)
{
    char commandLine[] = "--any arguments";
    standin::QueueUserAction([](HWND) { standin::TypeText("12"); });
    testing::internal::CaptureStderr();
    const int exitCode = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(said.find("no user actions"), std::string::npos) << said;
    MSG msg{};
    PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST(CharUpperA, UpperCasesByTheWindows1252Rules)
{
    const struct {
        const char *text;
        const char *upper;
    } cases[] = {
        {"abcdefxyz", "ABCDEFXYZ"},
        {"0123456789ABC", "0123456789ABC"},
        {"-+ .!", "-+ .!"},
        {"\xe0\xe9\xfe", "\xc0\xc9\xde"},         // à é þ
        {"\xf7\xdf\xb5", "\xf7\xdf\xb5"},         // ÷ ß µ stay
        {"\x9a\x9c\x9e\xff", "\x8a\x8c\x8e\x9f"}, // š œ ž ÿ
    };
    for (const auto &c : cases) {
        std::string text = c.text;
        EXPECT_EQ(CharUpperA(text.data()), text.data());
        EXPECT_EQ(text, c.upper) << c.text;
    }
    // No byte outside a-f becomes a hexadecimal digit letter or a digit.
    for (int byte = 1; byte < 256; ++byte) {
        char text[2] = {static_cast<char>(byte), '\0'};
        CharUpperA(text);
        const bool hexLetter = (text[0] >= 'A' && text[0] <= 'F') || (text[0] >= '0' && text[0] <= '9');
        const bool wasHexLetter =
            (byte >= 'a' && byte <= 'f') || (byte >= 'A' && byte <= 'F') || (byte >= '0' && byte <= '9');
        EXPECT_EQ(hexLetter, wasHexLetter) << "byte " << byte;
    }
}

// Text from Unicode reaches the program one byte a character, as Windows' best fit gives it.
TEST(CodePage, UnicodeBecomesOneWindows1252ByteACharacter)
{
    const struct {
        const char *utf8;
        std::u16string utf16;
        const char *ansi;
    } cases[] = {
        {"Zahlix 12", u"Zahlix 12", "Zahlix 12"},
        {"\xC3\xA9\xE2\x82\xAC", u"\u00E9\u20AC", "\xE9\x80"}, // é €: 1252's own bytes
        {"\xEF\xBC\x91\xEF\xBC\x92", u"\uFF11\uFF12", "12"},   // fullwidth digits
        {"\xE2\x88\x92"
         "5",
         u"\u22125", "-5"},                                  // the minus sign
        {"\xE6\x97\xA5", u"\u65E5", "?"},                    // no close character
        {"\xE2\x86\x92\xEF\xAC\x81", u"\u2192\uFB01", "??"}, // never two bytes for one
        {"\xF0\x9F\x98\x80", u"\U0001F600", "?"},            // beyond the BMP: one '?'
    };
    for (const auto &c : cases) {
        EXPECT_EQ(standin::Utf8ToAnsi(c.utf8), c.ansi) << c.utf8;
        EXPECT_EQ(standin::Utf16ToAnsi(c.utf16), c.ansi) << c.utf8;
    }
    // Malformed input: a lone surrogate, a stray continuation byte, a cut sequence.
    EXPECT_EQ(standin::Utf16ToAnsi(u"a\xD800"
                                   u"b"),
              "a?b");
    EXPECT_EQ(standin::Utf8ToAnsi("a\x80"
                                  "b\xE2\x82"),
              "a?b?");
}

// Every byte the program writes or reads crosses to UTF-8 and back unchanged.
TEST(CodePage, EveryByteRoundTripsThroughUtf8)
{
    for (int byte = 1; byte < 256; ++byte) {
        const std::string ansi(1, static_cast<char>(byte));
        const std::string utf8 = standin::AnsiToUtf8(ansi);
        EXPECT_EQ(standin::Utf8ToAnsi(utf8), ansi) << "byte " << byte;
    }
    EXPECT_EQ(standin::AnsiToUtf8("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9");
    EXPECT_EQ(standin::AnsiToUtf8("\x81"), "\xC2\x81"); // undefined in 1252: the C1 control
}

} // namespace
