// Code page conversion through glibc's iconv.
#include "platform/standin/codepage.h"

#include <iconv.h>

#include <array>
#include <cerrno>

namespace standin {

std::string Utf16ToAnsi(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFFU));
        bytes.push_back(static_cast<char>(unit >> 8U));
    }

    iconv_t cd = iconv_open("WINDOWS-1252//TRANSLIT", "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::string unknown(text.size(), '?');
        return unknown;
    }

    std::string result;
    char *in = bytes.data();
    std::size_t inLeft = bytes.size();
    std::array<char, 256> chunk{};
    while (inLeft > 0) {
        char *out = chunk.data();
        std::size_t outLeft = chunk.size();
        const std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        result.append(chunk.data(), chunk.size() - outLeft);
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // A unit that cannot be converted, or a lone surrogate: one '?' for it.
            result.push_back('?');
            const std::size_t skip = inLeft >= 2 ? 2 : inLeft;
            in += skip;
            inLeft -= skip;
        }
    }
    iconv_close(cd);
    return result;
}

} // namespace standin
