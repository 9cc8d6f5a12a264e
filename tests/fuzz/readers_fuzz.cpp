// Fuzzes the readers with any bytes: no read past the text, only the first 32 characters
// count, ParseHex leaves its argument upper-cased, and every value read is written as texts
// that read back as the same value.
#include "convert/convert.h"
#include "dialog/resource.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

INT_PTR CALLBACK SilentDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

HWND WriterDialog()
{
    static HWND hDlg =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONVERTER), nullptr, SilentDlgProc, 0);
    return hDlg;
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

std::string Read(int id)
{
    std::array<char, 64> text{};
    GetWindowTextA(GetDlgItem(WriterDialog(), id), text.data(), static_cast<int>(text.size()));
    return text.data();
}

void CheckRoundTrip(FieldValue value)
{
    HWND hDlg = WriterDialog();
    ShowDec(value, hDlg, IDC_DEC);
    ShowHex(value, hDlg, IDC_HEX);
    ShowBin(value, hDlg, IDC_BIN);
    std::string hex = Read(IDC_HEX);
    const std::string bin = Read(IDC_BIN);
    Check(ParseDec(Read(IDC_DEC).c_str()) == value);
    Check(ParseHex(hex.data()) == value);
    Check(bin.empty() ? value <= 0 : ParseBin(bin.c_str()) == value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The text ends at the first NUL, as a C string does; it lives in a buffer of its own size.
    const std::string text(reinterpret_cast<const char *>(data), size);
    const std::string c = text.substr(0, text.find('\0'));
    const std::string first32 = c.substr(0, 32);

    const FieldValue dec = ParseDec(c.c_str());
    const FieldValue bin = ParseBin(c.c_str());
    std::string hexText = c;
    const FieldValue hex = ParseHex(hexText.data());

    Check(dec == ParseDec(first32.c_str()));
    Check(bin == ParseBin(first32.c_str()));
    std::string hexFirst32 = first32;
    Check(hex == ParseHex(hexFirst32.data()));
    std::string upper = c;
    CharUpperA(upper.data());
    Check(hexText == upper);

    CheckRoundTrip(dec);
    CheckRoundTrip(hex);
    CheckRoundTrip(bin);
    return 0;
}
