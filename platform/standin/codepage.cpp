// Code page conversion through glibc's iconv, one character at a time: its transliteration may
// write several characters for one ("->" for an arrow), where Windows' best fit writes one or '?'.
#include "platform/standin/codepage.h"

#include <iconv.h>

#include <array>
#include <clocale>
#include <optional>

namespace standin {

namespace {

// Transliteration follows the calling thread's LC_CTYPE. The "C" locale's tables give what
// Windows gives for the characters that matter (U+2212 is '-' there, an en dash in C.UTF-8),
// whatever locale the process or a toolkit has set.
class CLocaleScope {
public:
    CLocaleScope() : previous_(uselocale(CLocale())) {}
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope &) = delete;
    CLocaleScope &operator=(const CLocaleScope &) = delete;

private:
    static locale_t CLocale()
    {
        static const locale_t c = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
        return c != static_cast<locale_t>(nullptr) ? c : LC_GLOBAL_LOCALE;
    }
    locale_t previous_;
};

constexpr char32_t kInvalid = 0xFFFFFFFFU;

// Runs one conversion of a short input: the bytes written, or nothing when iconv failed.
std::optional<std::string> Convert(const char *to, const char *from, std::string_view input)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string in(input);
    std::array<char, 16> out{};
    char *inPtr = in.data();
    std::size_t inLeft = in.size();
    char *outPtr = out.data();
    std::size_t outLeft = out.size();
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    iconv_close(cd);
    if (!ok)
        return std::nullopt;
    return std::string(out.data(), out.size() - outLeft);
}

char AnsiFromCodePoint(char32_t c)
{
    if (c < 0x80)
        return static_cast<char>(c);
    if (c > 0x10FFFF) // kInvalid among them
        return '?';
    // The five bytes that 1252 leaves undefined stand for the C1 controls of the same value.
    if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D)
        return static_cast<char>(c);
    const std::array<char, 4> utf32{static_cast<char>(c & 0xFFU), static_cast<char>((c >> 8U) & 0xFFU),
                                    static_cast<char>((c >> 16U) & 0xFFU), static_cast<char>(c >> 24U)};
    const CLocaleScope scope;
    const auto bytes = Convert("WINDOWS-1252//TRANSLIT", "UTF-32LE", {utf32.data(), utf32.size()});
    return bytes && bytes->size() == 1 ? (*bytes)[0] : '?';
}

// The code point that starts at text[i]; advances i past it.
char32_t NextUtf8(std::string_view text, std::size_t &i)
{
    const auto lead = static_cast<unsigned char>(text[i++]);
    int more = 0;
    char32_t c = lead;
    if (lead >= 0xF0 && lead < 0xF5) {
        more = 3;
        c = lead & 0x07U;
    } else if (lead >= 0xE0) {
        more = lead < 0xF0 ? 2 : -1;
        c = lead & 0x0FU;
    } else if (lead >= 0xC2) {
        more = 1;
        c = lead & 0x1FU;
    } else if (lead >= 0x80) {
        more = -1;
    }
    if (more < 0)
        return kInvalid;
    for (; more > 0; --more) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0U) != 0x80U)
            return kInvalid;
        c = (c << 6U) | (static_cast<unsigned char>(text[i++]) & 0x3FU);
    }
    return c;
}

} // namespace

std::string Utf16ToAnsi(std::u16string_view text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10U) + (text[++i] - 0xDC00U);
        else if (c >= 0xD800 && c < 0xE000)
            c = kInvalid;
        result.push_back(AnsiFromCodePoint(c));
    }
    return result;
}

std::string Utf8ToAnsi(std::string_view text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size();)
        result.push_back(AnsiFromCodePoint(NextUtf8(text, i)));
    return result;
}

std::string AnsiToUtf8(std::string_view text)
{
    std::string result;
    for (const char byte : text) {
        const auto b = static_cast<unsigned char>(byte);
        if (b < 0x80) {
            result.push_back(byte);
            continue;
        }
        // 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which iconv refuses, become U+0081 and so on.
        const std::string c1{static_cast<char>(0xC2), byte};
        result += Convert("UTF-8", "WINDOWS-1252", std::string_view(&byte, 1)).value_or(c1);
    }
    return result;
}

} // namespace standin
