// The three lenient readers. The accumulator is unsigned so that wrap-around is defined; each
// byte is taken as a signed 8-bit number whatever the signedness of `char`.
#include "convert/convert.h"

#include <cstdint>

namespace {

constexpr int kMaxDigits = 32;

FieldValue ToFieldValue(std::uint32_t pattern)
{
    return static_cast<FieldValue>(pattern);
}

std::uint32_t SignedByte(char c)
{
    return static_cast<std::uint32_t>(static_cast<std::int8_t>(c));
}

// Reads at most `limit` bytes positionally: every byte is a digit worth its value minus '0'.
std::uint32_t Accumulate(const char *text, std::uint32_t base, int limit)
{
    std::uint32_t acc = 0;
    for (int i = 0; i < limit && text[i] != '\0'; ++i)
        acc = acc * base + SignedByte(text[i]) - static_cast<std::uint32_t>('0');
    return acc;
}

std::uint32_t HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<std::uint32_t>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<std::uint32_t>(c - 'A' + 10);
    return 0;
}

} // namespace

FieldValue ParseDec(const char *text)
{
    // A leading '-' is the sign, so that the reader takes back what ShowDec writes. It counts
    // toward the 32 characters that are read.
    if (text[0] == '-')
        return ToFieldValue(0U - Accumulate(text + 1, 10, kMaxDigits - 1));
    return ToFieldValue(Accumulate(text, 10, kMaxDigits));
}

FieldValue ParseHex(char *text)
{
    CharUpperA(text);
    std::uint32_t acc = 0;
    for (int i = 0; i < kMaxDigits && text[i] != '\0'; ++i)
        acc = (acc << 4U) + HexDigit(text[i]);
    return ToFieldValue(acc);
}

FieldValue ParseBin(const char *text)
{
    return ToFieldValue(Accumulate(text, 2, kMaxDigits));
}
