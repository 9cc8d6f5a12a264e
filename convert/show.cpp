// The three writers. They render digits with a few lines of their own rather than the C
// runtime's printf family or std::to_chars, which cost the Windows program several times this
// code's size; the tests hold the texts to "%d" and "%X" for every value they try.
#include "convert/convert.h"

#include <cstdint>

namespace {

// Renders `value` in `base` (2 to 16), upper-case, at the end of the buffer; returns the text.
char *RenderDigits(FieldBuffer &buffer, std::uint32_t value, std::uint32_t base)
{
    char *first = buffer.data() + buffer.size() - 1;
    *first = '\0';
    do {
        *--first = "0123456789ABCDEF"[value % base];
        value /= base;
    } while (value != 0);
    return first;
}

} // namespace

void ShowDec(FieldValue value, HWND hDlg, int id)
{
    FieldBuffer buffer{};
    const auto pattern = static_cast<std::uint32_t>(value);
    char *text = RenderDigits(buffer, value < 0 ? 0U - pattern : pattern, 10);
    if (value < 0)
        *--text = '-';
    SetDlgItemTextA(hDlg, id, text);
}

void ShowHex(FieldValue value, HWND hDlg, int id)
{
    FieldBuffer buffer{};
    SetDlgItemTextA(hDlg, id, RenderDigits(buffer, static_cast<std::uint32_t>(value), 16));
}

void ShowBin(FieldValue value, HWND hDlg, int id)
{
    // Zero and negative values leave the field empty.
    FieldBuffer buffer{};
    SetDlgItemTextA(hDlg, id, value > 0 ? RenderDigits(buffer, static_cast<std::uint32_t>(value), 2) : buffer.data());
}
