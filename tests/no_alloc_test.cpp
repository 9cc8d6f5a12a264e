// The readers and writers allocate nothing on the heap. This program counts every allocation
// while they run: operator new always, and every malloc under the address sanitizer. The
// writers' platform call here stores into a fixed buffer, so that only the conversion core's
// own allocations could be counted.
#include "convert/convert.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZAHLIX_COUNT_MALLOC 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && __has_include(<sanitizer/allocator_interface.h>)
#define ZAHLIX_COUNT_MALLOC 1
#endif

#ifdef ZAHLIX_COUNT_MALLOC
#include <sanitizer/allocator_interface.h>
#endif

namespace {

std::atomic<bool> g_counting;
std::atomic<int> g_allocations;

void Count()
{
    if (g_counting)
        ++g_allocations;
}

std::array<char, 64> g_lastText;

} // namespace

#ifndef ZAHLIX_COUNT_MALLOC
// The replacements pair operator new with malloc and operator delete with free, which GCC
// cannot see through once it inlines them into one caller.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void *operator new(std::size_t size)
{
    Count();
    if (void *p = std::malloc(size != 0 ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void *p) noexcept
{
    std::free(p);
}

void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}
#endif

BOOL SetDlgItemTextA(HWND, int, LPCSTR lpString)
{
    std::strncpy(g_lastText.data(), lpString, g_lastText.size() - 1);
    return TRUE;
}

namespace {

#ifdef ZAHLIX_COUNT_MALLOC
void OnMalloc(const volatile void *, std::size_t)
{
    Count();
}
void OnFree(const volatile void *) {}
#endif

TEST(ConversionCore, AllocatesNothing)
{
#ifdef ZAHLIX_COUNT_MALLOC
    __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
#endif
    // Proof that the counter counts: one allocation it must see.
    g_counting = true;
    ::operator delete(::operator new(1));
    g_counting = false;
    ASSERT_EQ(g_allocations.exchange(0), 1);

    g_counting = true;
    for (const FieldValue value : {0, 1, -1, 255, 2147483647, -2147483647 - 1}) {
        ShowDec(value, nullptr, 0);
        ShowHex(value, nullptr, 0);
        ShowBin(value, nullptr, 0);
    }
    FieldBuffer text{};
    for (const char *sample : {"", "12345", "-2147483648", "ffFFabcd", "10101010101010101010101010101010101"}) {
        std::strncpy(text.data(), sample, text.size() - 1);
        ParseDec(text.data());
        ParseHex(text.data());
        ParseBin(text.data());
    }
    g_counting = false;
    EXPECT_EQ(g_allocations.load(), 0);
    EXPECT_STREQ(g_lastText.data(), "");
}

} // namespace
