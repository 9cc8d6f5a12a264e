// The conversion core: turns a field's text into the number and the number into a field's text,
// in decimal, hexadecimal and binary. It holds no state and allocates nothing.
#ifndef ZAHLIX_CONVERT_CONVERT_H
#define ZAHLIX_CONVERT_CONVERT_H

#include "platform/win32.h"

#include <array>
#include <cstdint>

// The number that the three fields show. Arithmetic on it wraps modulo 2^32.
using FieldValue = std::int32_t;

// A field's text: up to 32 characters of the ANSI code page and the terminator. A field is read
// into one with the limit kFieldReadLimit, so that a reader sees every character it uses.
using FieldBuffer = std::array<char, 33>;
inline constexpr int kFieldReadLimit = static_cast<int>(sizeof(FieldBuffer));

// The readers never reject a text. Every character counts, by fixed rules, and only the first 32
// characters of a text matter. The decimal and binary readers take any byte as a digit worth its
// signed value minus '0'; the decimal reader also takes a leading '-' as the sign. The hexadecimal
// reader upper-cases its argument in place, then counts anything but 0-9 and A-F as the digit 0.
FieldValue ParseDec(const char *text);
FieldValue ParseHex(char *text);
FieldValue ParseBin(const char *text);

// The writers render the value and set it as the text of control `id` of dialog `hDlg`, through
// one SetDlgItemTextA call. ShowDec writes "%d", ShowHex the 32-bit pattern as "%X", and ShowBin
// the binary digits of a positive value or, for zero and negative values, the empty text.
void ShowDec(FieldValue value, HWND hDlg, int id);
void ShowHex(FieldValue value, HWND hDlg, int id);
void ShowBin(FieldValue value, HWND hDlg, int id);

#endif
