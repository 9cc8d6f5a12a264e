// The cost of one keystroke's recalculation on the stand-in dialog manager, and of each reader
// and writer alone.
#include "convert/convert.h"
#include "dialog/converter_dialog.h"
#include "dialog/resource.h"
#include "platform/standin/standin.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

HWND CreateConverter(DLGPROC proc)
{
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONVERTER), nullptr, proc, 0);
}

INT_PTR CALLBACK SilentDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// One keystroke in a DEC field that holds a ten-digit number: the edit changes, the dialog
// recalculates and rewrites HEX and BIN.
void Keystroke(benchmark::State &state)
{
    HWND hDlg = CreateConverter(ConverterDlgProc);
    standin::TypeText("214748364");
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark's loop idiom
    for (auto _ : state) {
        standin::TypeText("7");
        standin::PressKey(standin::Key::Backspace);
    }
    state.SetItemsProcessed(state.iterations() * 2);
    DestroyWindow(hDlg);
    MSG msg{};
    PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}
BENCHMARK(Keystroke);

// The reader works on a copy of the sample, refreshed each time: ParseHex changes its argument.
void Read(benchmark::State &state, FieldValue (*reader)(char *), const char *sample)
{
    FieldBuffer text{};
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark's loop idiom
    for (auto _ : state) {
        std::strncpy(text.data(), sample, text.size() - 1);
        benchmark::DoNotOptimize(text.data());
        benchmark::DoNotOptimize(reader(text.data()));
    }
}
FieldValue ReadDec(char *text)
{
    return ParseDec(text);
}
FieldValue ReadBin(char *text)
{
    return ParseBin(text);
}
BENCHMARK_CAPTURE(Read, ParseDec, ReadDec, "-2147483648");
BENCHMARK_CAPTURE(Read, ParseHex, ParseHex, "7fffffff");
BENCHMARK_CAPTURE(Read, ParseBin, ReadBin, "1111111111111111111111111111111");

void Write(benchmark::State &state, void (*writer)(FieldValue, HWND, int), FieldValue value)
{
    HWND hDlg = CreateConverter(SilentDlgProc);
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark's loop idiom
    for (auto _ : state)
        writer(value, hDlg, IDC_DEC);
    DestroyWindow(hDlg);
}
BENCHMARK_CAPTURE(Write, ShowDec, ShowDec, -2147483647);
BENCHMARK_CAPTURE(Write, ShowHex, ShowHex, -2147483647);
BENCHMARK_CAPTURE(Write, ShowBin, ShowBin, 2147483647);

} // namespace

BENCHMARK_MAIN();
