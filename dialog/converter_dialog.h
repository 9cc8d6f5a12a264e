// The converter dialog: its procedure and the function that runs it.
#ifndef ZAHLIX_DIALOG_CONVERTER_DIALOG_H
#define ZAHLIX_DIALOG_CONVERTER_DIALOG_H

#include "platform/win32.h"

// The module whose resources hold the dialog template; set by WinMain.
extern HINSTANCE g_hInstance;

// Keeps the DEC, HEX and BIN fields in step. Returns FALSE for every message.
INT_PTR CALLBACK ConverterDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the converter dialog modally until it is closed. Returns FALSE when the dialog could not
// be created at all (no template, a malformed one, or no display), TRUE after a normal close.
BOOL RunConverterDialog();

#endif
