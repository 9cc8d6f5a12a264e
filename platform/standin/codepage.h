// Text conversion between the program's 8-bit code page (Windows-1252) and Unicode.
#ifndef ZAHLIX_PLATFORM_STANDIN_CODEPAGE_H
#define ZAHLIX_PLATFORM_STANDIN_CODEPAGE_H

#include <string>
#include <string_view>

namespace standin {

// UTF-16 to Windows-1252, as an 8-bit program receives text: a close character where 1252 has
// one, '?' where it has none.
std::string Utf16ToAnsi(std::u16string_view text);

} // namespace standin

#endif
