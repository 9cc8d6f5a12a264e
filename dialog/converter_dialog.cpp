// The converter dialog's procedure. The three fields are the only store of the number: every
// recalculation reads the focused field and rewrites the two others.
#include "dialog/converter_dialog.h"

#include "convert/convert.h"
#include "dialog/resource.h"

HINSTANCE g_hInstance;

namespace {

HWND g_hDec;
HWND g_hHex;
HWND g_hBin;

void InitConverterDialog(HWND hDlg)
{
    SetWindowPos(hDlg, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    g_hDec = GetDlgItem(hDlg, IDC_DEC);
    g_hHex = GetDlgItem(hDlg, IDC_HEX);
    g_hBin = GetDlgItem(hDlg, IDC_BIN);
    SetFocus(g_hDec);
}

// A field's text changed. Only a change of the focused field is the user's: the rewrites below
// change the other fields while the recalculation runs, and their notifications arrive here, from
// a field without the focus, before SetDlgItemTextA returns. Dropping them is what keeps one edit
// to one recalculation and stops the fields from driving each other.
void OnFieldChanged(HWND hDlg, HWND hField)
{
    if (GetFocus() == hField)
        SendMessageA(hDlg, WM_COMMAND, IDC_CALCULATE, 0);
}

// Reads the focused field (DEC when no field has the focus) and rewrites every other field.
void Recalculate(HWND hDlg)
{
    HWND source = GetFocus();
    FieldBuffer buffer{};
    FieldValue value = 0;
    if (source == g_hHex) {
        GetWindowTextA(g_hHex, buffer.data(), kFieldReadLimit);
        value = ParseHex(buffer.data());
    } else if (source == g_hBin) {
        GetWindowTextA(g_hBin, buffer.data(), kFieldReadLimit);
        value = ParseBin(buffer.data());
    } else {
        GetWindowTextA(g_hDec, buffer.data(), kFieldReadLimit);
        value = ParseDec(buffer.data());
    }

    if (source != g_hDec)
        ShowDec(value, hDlg, IDC_DEC);
    if (source != g_hHex)
        ShowHex(value, hDlg, IDC_HEX);
    if (source != g_hBin)
        ShowBin(value, hDlg, IDC_BIN);
}

void OnCommand(HWND hDlg, WPARAM wParam)
{
    const bool changed = HIWORD(wParam) == EN_CHANGE;
    switch (LOWORD(wParam)) {
    case IDCANCEL:
        EndDialog(hDlg, 0);
        break;
    case IDC_DEC:
        if (changed)
            OnFieldChanged(hDlg, g_hDec);
        break;
    case IDC_HEX:
        if (changed)
            OnFieldChanged(hDlg, g_hHex);
        break;
    case IDC_BIN:
        if (changed)
            OnFieldChanged(hDlg, g_hBin);
        break;
    case IDC_CALCULATE:
        Recalculate(hDlg);
        break;
    default:
        break;
    }
}

} // namespace

INT_PTR CALLBACK ConverterDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM /*lParam*/)
{
    switch (message) {
    case WM_INITDIALOG:
        // FALSE leaves the focus in DEC, where InitConverterDialog put it.
        InitConverterDialog(hDlg);
        break;
    case WM_COMMAND:
        OnCommand(hDlg, wParam);
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    default:
        break;
    }
    return FALSE;
}

BOOL RunConverterDialog()
{
    return DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_CONVERTER), nullptr, ConverterDlgProc, 0) != -1;
}
