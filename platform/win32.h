// The program's only door to the platform. On Windows it is <windows.h>. Elsewhere it declares
// the stand-in dialog manager (platform/standin/): the same names, values and signatures as
// Win32, for the subset of the window and dialog manager that Zahlix uses.
#ifndef ZAHLIX_PLATFORM_WIN32_H
#define ZAHLIX_PLATFORM_WIN32_H

#ifdef _WIN32
#include <windows.h>
#else

#include <cstdint>

#define WINAPI
#define CALLBACK

using BOOL = int;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using LPSTR = char *;
using LPCSTR = const char *;

struct HWND__;
struct HINSTANCE__;
using HWND = HWND__ *;
using HINSTANCE = HINSTANCE__ *;

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct POINT {
    LONG x;
    LONG y;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

#define TRUE 1
#define FALSE 0

#define LOWORD(l) (static_cast<WORD>(static_cast<DWORD>(l) & 0xFFFFU))
#define HIWORD(l) (static_cast<WORD>((static_cast<DWORD>(l) >> 16U) & 0xFFFFU))
#define MAKEWPARAM(lo, hi)                                                                                             \
    (static_cast<WPARAM>(static_cast<DWORD>(LOWORD(lo)) | (static_cast<DWORD>(LOWORD(hi)) << 16U)))
#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<UINT_PTR>(static_cast<WORD>(i))))
#define IS_INTRESOURCE(r) ((reinterpret_cast<UINT_PTR>(r) >> 16U) == 0)

#define WM_DESTROY 0x0002
#define WM_SETTEXT 0x000C
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_UNDO 0x0304
#define EM_GETSEL 0x00B0
#define EM_CANUNDO 0x00C6
#define EM_UNDO 0x00C7

#define SC_CLOSE 0xF060
#define EN_CHANGE 0x0300
#define BN_CLICKED 0
#define IDOK 1
#define IDCANCEL 2

#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_TABSTOP 0x00010000L
#define WS_EX_TOPMOST 0x00000008L
#define DS_SETFONT 0x40L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_TYPEMASK 0x0000000FL

#define HWND_TOPMOST (reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)))
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002

#define GWL_EXSTYLE (-20)
#define PM_REMOVE 0x0001
#define SW_SHOWDEFAULT 10

// What the program calls.
INT_PTR DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam);
BOOL EndDialog(HWND hDlg, INT_PTR nResult);
HWND GetDlgItem(HWND hDlg, int nIDDlgItem);
BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags);
HWND SetFocus(HWND hWnd);
HWND GetFocus();
int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount);
BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString);
LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int nExitCode);
LPSTR CharUpperA(LPSTR lpsz);

// What the runtime's start-up calls: the program's entry.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd);

// Not called by the program: what tests and hosts use to drive and observe a dialog.
HINSTANCE GetModuleHandleA(LPCSTR lpModuleName);
HWND CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam);
BOOL DestroyWindow(HWND hWnd);
LONG GetWindowLongA(HWND hWnd, int nIndex);
BOOL PeekMessageA(MSG *lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);

#endif
#endif
