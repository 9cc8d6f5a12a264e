// The smallest program of Zahlix's kind, to measure Zahlix against: a modal dialog with three
// edit fields and nothing else, built with the same compiler and flags.
#include <windows.h>

namespace {

INT_PTR CALLBACK BareDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        EndDialog(hDlg, 0);
    return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return static_cast<int>(DialogBoxParamA(hInstance, MAKEINTRESOURCEA(1), nullptr, BareDlgProc, 0));
}
