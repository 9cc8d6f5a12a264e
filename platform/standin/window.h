// The stand-in's window model: a dialog and its child controls. HWND points at one of these.
#ifndef ZAHLIX_PLATFORM_STANDIN_WINDOW_H
#define ZAHLIX_PLATFORM_STANDIN_WINDOW_H

#include "platform/win32.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

enum class WindowKind { Dialog, Edit, Button, Static, Other };

struct HWND__ {
    HWND parent = nullptr;
    std::vector<std::unique_ptr<HWND__>> children; // in template order: creation and Tab order
    WindowKind kind = WindowKind::Other;
    std::string className;
    std::string text; // bytes of the ANSI code page (1252)
    DWORD style = 0;
    DWORD exStyle = 0;
    int id = 0;
    short x = 0, y = 0, cx = 0, cy = 0; // dialog units

    // Edit controls: the selection, anchor first; the caret stands at selEnd.
    std::size_t selStart = 0;
    std::size_t selEnd = 0;
    // The one level of undo: the text that the last change deleted, where, and how many bytes
    // it inserted there.
    std::string undoText;
    std::size_t undoPosition = 0;
    std::size_t undoInsertCount = 0;

    // Dialogs.
    WORD pointSize = 0; // the template's font, with DS_SETFONT
    DLGPROC proc = nullptr;
    bool ended = false;
    INT_PTR result = 0;
};

namespace standin {

// The live window behind a handle, or nullptr for a handle that names no live window.
HWND LiveWindow(HWND hWnd);

// Takes a newly created top-level window (with its children) into the live set, and destroys
// one: its handle and its children's name no window afterwards.
HWND AdoptWindow(std::unique_ptr<HWND__> window);
void DestroyWindowTree(HWND hWnd);

// The dialog that receives keyboard input: the one that holds the focus, else the newest one.
HWND ActiveDialog();

// Sends WM_COMMAND from a control to its dialog, as a control's notification does.
void NotifyParent(HWND control, WORD code);

// Messages posted to the thread's queue are handled when the running action returns, as a
// message loop would dispatch them.
void PostDialogMessage(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
void DispatchPostedMessages();

// The edit control's part of SendMessageA: setting its text, and undoing the last change.
LRESULT EditMessage(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);

// Whether PostQuitMessage left a quit request that nobody removed.
bool QuitPending();

} // namespace standin

#endif
