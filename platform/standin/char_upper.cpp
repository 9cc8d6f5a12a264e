// CharUpperA by the rules of the Windows-1252 code page.
#include "platform/win32.h"

namespace {

char UpperAnsi(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7))
        return static_cast<char>(byte - 0x20);
    switch (byte) {
    case 0x9A: // s with caron
    case 0x9C: // oe ligature
    case 0x9E: // z with caron
        return static_cast<char>(byte - 0x10);
    case 0xFF: // y with diaeresis
        return static_cast<char>(0x9F);
    default:
        return c;
    }
}

} // namespace

LPSTR CharUpperA(LPSTR lpsz)
{
    for (char *p = lpsz; *p != '\0'; ++p)
        *p = UpperAnsi(*p);
    return lpsz;
}
