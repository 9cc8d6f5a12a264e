// The three fields of a converter dialog, read back through Win32 calls.
#ifndef ZAHLIX_TESTS_DIALOG_FIELDS_H
#define ZAHLIX_TESTS_DIALOG_FIELDS_H

#include "dialog/resource.h"
#include "platform/win32.h"

#include <array>
#include <ostream>
#include <string>

struct Fields {
    std::string dec;
    std::string hex;
    std::string bin;
    bool operator==(const Fields &) const = default;
};

inline std::string FieldText(HWND hDlg, int id)
{
    std::array<char, 256> text{};
    GetWindowTextA(GetDlgItem(hDlg, id), text.data(), static_cast<int>(text.size()));
    return text.data();
}

inline Fields ReadFields(HWND hDlg)
{
    return {FieldText(hDlg, IDC_DEC), FieldText(hDlg, IDC_HEX), FieldText(hDlg, IDC_BIN)};
}

inline std::ostream &operator<<(std::ostream &out, const Fields &fields)
{
    return out << "DEC \"" << fields.dec << "\", HEX \"" << fields.hex << "\", BIN \"" << fields.bin << '"';
}

#endif
