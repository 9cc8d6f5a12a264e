// The three writers. std::to_chars renders the same digits as "%d" and "%X" would, without a
// locale, a heap or the C runtime's printf family.
#include "convert/convert.h"

#include <charconv>
#include <cstdint>

namespace {

// Renders `value` in `base` into the buffer and terminates it.
template <typename Integer> void Render(FieldBuffer &buffer, Integer value, int base)
{
    char *end = std::to_chars(buffer.data(), buffer.data() + buffer.size() - 1, value, base).ptr;
    *end = '\0';
}

} // namespace

void ShowDec(FieldValue value, HWND hDlg, int id)
{
    FieldBuffer buffer{};
    Render(buffer, value, 10);
    SetDlgItemTextA(hDlg, id, buffer.data());
}

void ShowHex(FieldValue value, HWND hDlg, int id)
{
    FieldBuffer buffer{};
    Render(buffer, static_cast<std::uint32_t>(value), 16);
    for (char &c : buffer) {
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    }
    SetDlgItemTextA(hDlg, id, buffer.data());
}

void ShowBin(FieldValue value, HWND hDlg, int id)
{
    // Zero and negative values leave the field empty.
    FieldBuffer buffer{};
    if (value > 0)
        Render(buffer, value, 2);
    SetDlgItemTextA(hDlg, id, buffer.data());
}
