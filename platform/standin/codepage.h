// Text conversion between the program's 8-bit code page (Windows-1252) and Unicode, the way an
// 8-bit program's text crosses to and from the platform's Unicode windows.
#ifndef ZAHLIX_PLATFORM_STANDIN_CODEPAGE_H
#define ZAHLIX_PLATFORM_STANDIN_CODEPAGE_H

#include <string>
#include <string_view>

namespace standin {

// Unicode to Windows-1252: every character becomes one byte, a close character where 1252 has
// one (fullwidth digits become digits, U+2212 becomes '-'), '?' where it has none. Malformed
// input (a lone surrogate, a broken UTF-8 sequence) gives '?' as well.
std::string Utf16ToAnsi(std::u16string_view text);
std::string Utf8ToAnsi(std::string_view text);

// Windows-1252 to UTF-8. The five bytes that 1252 leaves undefined become the C1 controls of
// the same value, as Windows maps them.
std::string AnsiToUtf8(std::string_view text);

} // namespace standin

#endif
