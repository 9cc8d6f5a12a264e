// The readers and writers on the cases that define them.
#include "convert/convert.h"
#include "dialog/resource.h"
#include "tests/dialog/fields.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

struct ReadCase {
    std::string text;
    FieldValue expected;
};

void ExpectReads(FieldValue (*reader)(const char *), std::initializer_list<ReadCase> cases)
{
    for (const auto &c : cases)
        EXPECT_EQ(reader(c.text.c_str()), c.expected) << "text \"" << c.text << '"';
}

FieldValue ParseHexCopy(const char *text)
{
    std::string copy(text);
    return ParseHex(copy.data());
}

TEST(ParseDec, ReadsDigitsSignAndLenientCharacters)
{
    ExpectReads(ParseDec, {
                              {"", 0},
                              {"12", 12},
                              {"007", 7},
                              {"2147483647", INT_MAX},
                              {"2147483648", INT_MIN}, // wraps
                              {"4294967295", -1},
                              {"4294967296", 0},
                              {"-5", -5}, // a leading '-' is the sign
                              {"-1", -1},
                              {"-2147483648", INT_MIN},
                              {"-", 0},
                              {"--5", 25},  // only the first '-' is the sign
                              {"1a", 59},   // 'a' is worth 49
                              {" 5", -155}, // a blank is worth -16
                              {"5 ", 34},
                              {"5-", 47}, // a later '-' is worth -3
                              {"+5", -45},
                              {"\x80", -176}, // bytes from 0x80 are negative
                              {"\xff", -49},
                          });
}

TEST(ParseBin, ReadsDigitsAndLenientCharacters)
{
    ExpectReads(ParseBin, {
                              {"", 0},
                              {"101", 5},
                              {"2", 2},
                              {"12", 4},
                              {std::string(31, '1'), INT_MAX},
                              {std::string(32, '1'), -1},
                              {"1" + std::string(31, '0'), INT_MIN},
                              {"a", 49},
                              {"-1", -5}, // no sign in binary
                          });
}

TEST(ParseHex, ReadsDigitsOfEitherCaseAndCountsOthersAsZero)
{
    ExpectReads(ParseHexCopy, {
                                  {"", 0},
                                  {"ff", 255},
                                  {"FF", 255},
                                  {"1G", 16},
                                  {"0x1F", 31},
                                  {"7FFFFFFF", INT_MAX},
                                  {"80000000", INT_MIN},
                                  {"FFFFFFFF", -1},
                                  {"100000000", 0}, // the leading 1 is shifted out
                                  {"F F", 3855},
                                  {"-1", 1},
                                  {"\xe9", 0}, // é upper-cases to É, still no digit
                              });
}

TEST(ParseHex, UpperCasesItsArgumentInPlace)
{
    for (const char *text : {"ff", "0x1f", "abcdef", "zz\xe9"}) {
        std::string buffer = text;
        ParseHex(buffer.data());
        std::string expected = text;
        CharUpperA(expected.data());
        EXPECT_EQ(buffer, expected);
    }
    std::string hex = "0x1f";
    ParseHex(hex.data());
    EXPECT_EQ(hex, "0X1F");
}

TEST(Readers, TakeOnlyTheFirst32Characters)
{
    const std::string dec40 = std::string(32, '1') + "99999999";
    const std::string bin40 = std::string(32, '1') + "00000000";
    const std::string hex40 = std::string(32, 'A') + "BBBBBBBB";
    EXPECT_EQ(ParseDec(dec40.c_str()), ParseDec(dec40.substr(0, 32).c_str()));
    EXPECT_EQ(ParseBin(bin40.c_str()), -1);
    EXPECT_EQ(ParseHexCopy(hex40.c_str()), ParseHexCopy(hex40.substr(0, 32).c_str()));
    const std::string signed40 = "-" + std::string(39, '1');
    EXPECT_EQ(ParseDec(signed40.c_str()), ParseDec(signed40.substr(0, 32).c_str()));
}

INT_PTR CALLBACK SilentDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TEST(Writers, RenderEachNotation)
{
    HWND hDlg =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONVERTER), nullptr, SilentDlgProc, 0);
    ASSERT_NE(hDlg, nullptr);
    const struct {
        FieldValue value;
        Fields expected;
    } cases[] = {
        {0, {"0", "0", ""}},
        {5, {"5", "5", "101"}},
        {255, {"255", "FF", "11111111"}},
        {-1, {"-1", "FFFFFFFF", ""}},
        {-25, {"-25", "FFFFFFE7", ""}},
        {INT_MAX, {"2147483647", "7FFFFFFF", std::string(31, '1')}},
        {INT_MIN, {"-2147483648", "80000000", ""}},
    };
    for (const auto &c : cases) {
        ShowDec(c.value, hDlg, IDC_DEC);
        ShowHex(c.value, hDlg, IDC_HEX);
        ShowBin(c.value, hDlg, IDC_BIN);
        EXPECT_EQ(ReadFields(hDlg), c.expected) << "value " << c.value;
    }
    DestroyWindow(hDlg);
}

} // namespace
