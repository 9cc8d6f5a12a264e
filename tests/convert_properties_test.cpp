// Rules that cover every value and every text, checked over a million pseudo-random ones.
#include "convert/convert.h"
#include "dialog/resource.h"
#include "tests/dialog/fields.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kSamples = 1'000'000;

INT_PTR CALLBACK SilentDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// Values at the edges of every notation, then pseudo-random ones.
std::vector<FieldValue> SampleValues()
{
    std::vector<FieldValue> values{0, 1, -1, 2, 9, 10, 15, 16, 255, 256, INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1};
    std::mt19937 random(20261208);
    std::uniform_int_distribution<FieldValue> any(INT_MIN, INT_MAX);
    while (values.size() < kSamples)
        values.push_back(any(random));
    return values;
}

std::string Printf(const char *format, FieldValue value)
{
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), format, value);
    return text.data();
}

std::string Binary(FieldValue value)
{
    std::string digits;
    for (auto bits = static_cast<std::uint32_t>(value); value > 0 && bits != 0; bits >>= 1U)
        digits.insert(digits.begin(), (bits & 1U) != 0 ? '1' : '0');
    return digits;
}

// Every text a writer produces is "%d", "%X" or the binary digits, and every non-empty one reads
// back as the same number: Enter in a field the program wrote never changes the number.
TEST(ConvertProperties, WrittenTextsMatchPrintfAndReadBack)
{
    HWND hDlg =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONVERTER), nullptr, SilentDlgProc, 0);
    ASSERT_NE(hDlg, nullptr);
    int failures = 0;
    for (const FieldValue value : SampleValues()) {
        ShowDec(value, hDlg, IDC_DEC);
        ShowHex(value, hDlg, IDC_HEX);
        ShowBin(value, hDlg, IDC_BIN);
        Fields fields = ReadFields(hDlg);
        const Fields expected{Printf("%d", value), Printf("%X", value), Binary(value)};
        const bool readsBack = ParseDec(fields.dec.c_str()) == value && ParseHex(fields.hex.data()) == value &&
                               (fields.bin.empty() || ParseBin(fields.bin.c_str()) == value);
        if ((fields != expected || !readsBack) && ++failures <= 5)
            ADD_FAILURE() << "value " << value << ": " << ReadFields(hDlg) << ", expected " << expected;
    }
    EXPECT_EQ(failures, 0);
    DestroyWindow(hDlg);
}

std::string RandomText(std::mt19937 &random)
{
    static constexpr std::string_view kDigits = "0123456789abcdefABCDEF-";
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<int> byte(1, 255);
    std::uniform_int_distribution<std::size_t> digit(0, kDigits.size() - 1);
    std::bernoulli_distribution isDigit(0.5);
    std::string text(static_cast<std::size_t>(length(random)), ' ');
    for (char &c : text) // about half of the characters are digits of some notation
        c = isDigit(random) ? kDigits[digit(random)] : static_cast<char>(byte(random));
    return text;
}

TEST(ConvertProperties, ReadersUseOnlyTheFirst32CharactersAndHexUpperCases)
{
    std::mt19937 random(8122026);
    int failures = 0;
    for (int i = 0; i < kSamples; ++i) {
        const std::string text = RandomText(random);
        const std::string first32 = text.substr(0, 32);
        std::string hex = text;
        std::string hexFirst32 = first32;
        std::string upper = text;
        CharUpperA(upper.data());
        const bool ok = ParseDec(text.c_str()) == ParseDec(first32.c_str()) &&
                        ParseBin(text.c_str()) == ParseBin(first32.c_str()) &&
                        ParseHex(hex.data()) == ParseHex(hexFirst32.data()) && hex == upper;
        if (!ok && ++failures <= 5)
            ADD_FAILURE() << "text \"" << text << '"';
    }
    EXPECT_EQ(failures, 0);
}

// A leading '-' negates, with wrap-around, what the rest of the text reads as.
TEST(ConvertProperties, DecimalSignNegatesTheRest)
{
    std::mt19937 random(1208);
    int failures = 0;
    for (int i = 0; i < kSamples; ++i) {
        const std::string rest = RandomText(random).substr(0, 31);
        if (!rest.empty() && rest[0] == '-')
            continue;
        const auto negated = static_cast<FieldValue>(0U - static_cast<std::uint32_t>(ParseDec(rest.c_str())));
        if (ParseDec(("-" + rest).c_str()) != negated && ++failures <= 5)
            ADD_FAILURE() << "text \"-" << rest << '"';
    }
    EXPECT_EQ(failures, 0);
}

} // namespace
