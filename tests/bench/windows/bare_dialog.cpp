// The smallest program of Zahlix's kind, to measure Zahlix against: a modal dialog with three
// edit fields and nothing else, built with the same compiler and flags. Built a second time with
// BARE_TOPMOST, it also asks to stay on top as Zahlix does, which alone costs time under Wine.
#include <windows.h>

namespace {

INT_PTR CALLBACK BareDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
#ifdef BARE_TOPMOST
    if (message == WM_INITDIALOG)
        SetWindowPos(hDlg, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
#endif
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        EndDialog(hDlg, 0);
    return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return static_cast<int>(DialogBoxParamA(hInstance, MAKEINTRESOURCEA(1), nullptr, BareDlgProc, 0));
}
