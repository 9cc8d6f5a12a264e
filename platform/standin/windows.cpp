// The stand-in's windows and messages: handles, text, focus, sent and posted messages, and the
// thread's quit request.
#include "platform/standin/window.h"

#include <algorithm>
#include <cstring>
#include <deque>

namespace {

std::vector<std::unique_ptr<HWND__>> g_topLevel;
std::vector<HWND> g_liveWindows; // every live window, each dialog before its children
HWND g_focus;
std::deque<MSG> g_posted;
bool g_quitPending;
int g_quitCode;

} // namespace

namespace standin {

HWND LiveWindow(HWND hWnd)
{
    if (hWnd == nullptr)
        return nullptr;
    return std::find(g_liveWindows.begin(), g_liveWindows.end(), hWnd) != g_liveWindows.end() ? hWnd : nullptr;
}

namespace {

void RegisterTree(HWND hWnd)
{
    g_liveWindows.push_back(hWnd);
    for (auto &child : hWnd->children)
        RegisterTree(child.get());
}

void UnregisterTree(HWND hWnd)
{
    for (auto &child : hWnd->children)
        UnregisterTree(child.get());
    if (g_focus == hWnd)
        g_focus = nullptr;
    std::erase(g_liveWindows, hWnd);
    std::erase_if(g_posted, [hWnd](const MSG &msg) { return msg.hwnd == hWnd; });
}

} // namespace

HWND AdoptWindow(std::unique_ptr<HWND__> window)
{
    HWND hWnd = g_topLevel.emplace_back(std::move(window)).get();
    RegisterTree(hWnd);
    return hWnd;
}

void DestroyWindowTree(HWND hWnd)
{
    UnregisterTree(hWnd);
    std::erase_if(g_topLevel, [hWnd](const auto &window) { return window.get() == hWnd; });
}

HWND ActiveDialog()
{
    if (g_focus != nullptr)
        return g_focus->kind == WindowKind::Dialog ? g_focus : g_focus->parent;
    const auto newest = std::find_if(g_liveWindows.rbegin(), g_liveWindows.rend(),
                                     [](HWND hWnd) { return hWnd->kind == WindowKind::Dialog; });
    return newest != g_liveWindows.rend() ? *newest : nullptr;
}

void NotifyParent(HWND control, WORD code)
{
    // The notification carries the control's identifier as a WORD, as Win32's does.
    SendMessageA(control->parent, WM_COMMAND, MAKEWPARAM(control->id, code), reinterpret_cast<LPARAM>(control));
}

void PostDialogMessage(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_posted.push_back(MSG{hDlg, message, wParam, lParam, 0, {}});
}

void DispatchPostedMessages()
{
    while (!g_posted.empty()) {
        const MSG msg = g_posted.front();
        g_posted.pop_front();
        SendMessageA(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    }
}

bool QuitPending()
{
    return g_quitPending;
}

} // namespace standin

using standin::LiveWindow;

HWND GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    if (LiveWindow(hDlg) == nullptr)
        return nullptr;
    for (auto &child : hDlg->children) {
        if (child->id == nIDDlgItem)
            return child.get();
    }
    return nullptr;
}

HWND SetFocus(HWND hWnd)
{
    if (hWnd != nullptr && LiveWindow(hWnd) == nullptr)
        return nullptr;
    HWND previous = g_focus;
    g_focus = hWnd;
    return previous;
}

HWND GetFocus()
{
    return g_focus;
}

int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount)
{
    if (LiveWindow(hWnd) == nullptr || lpString == nullptr || nMaxCount <= 0)
        return 0;
    const std::size_t count = std::min(hWnd->text.size(), static_cast<std::size_t>(nMaxCount) - 1);
    std::memcpy(lpString, hWnd->text.data(), count);
    lpString[count] = '\0';
    return static_cast<int>(count);
}

BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    if (item == nullptr)
        return FALSE;
    return static_cast<BOOL>(SendMessageA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)));
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (LiveWindow(hWnd) == nullptr)
        return 0;
    if (hWnd->kind == WindowKind::Edit)
        return standin::EditMessage(hWnd, Msg, wParam, lParam);
    if (hWnd->kind == WindowKind::Dialog) {
        const INT_PTR handled = hWnd->proc(hWnd, Msg, wParam, lParam);
        // The dialog manager's default for WM_CLOSE: post IDCANCEL, unless a control with that
        // identifier exists and is disabled.
        if (handled == FALSE && Msg == WM_CLOSE) {
            HWND cancel = GetDlgItem(hWnd, IDCANCEL);
            if (cancel == nullptr || (cancel->style & WS_DISABLED) == 0)
                standin::PostDialogMessage(hWnd, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(cancel));
        } else if (handled == FALSE && Msg == WM_SYSCOMMAND && (wParam & 0xFFF0U) == SC_CLOSE) {
            SendMessageA(hWnd, WM_CLOSE, 0, 0);
        }
        return handled;
    }
    if (Msg == WM_SETTEXT) {
        hWnd->text = lParam != 0 ? reinterpret_cast<LPCSTR>(lParam) : "";
        return TRUE;
    }
    return 0;
}

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int /*X*/, int /*Y*/, int /*cx*/, int /*cy*/, UINT /*uFlags*/)
{
    // Only the z-order band matters here: the stand-in has no screen to place windows on.
    if (LiveWindow(hWnd) == nullptr)
        return FALSE;
    if (hWndInsertAfter == HWND_TOPMOST)
        hWnd->exStyle |= WS_EX_TOPMOST;
    return TRUE;
}

LONG GetWindowLongA(HWND hWnd, int nIndex)
{
    // The extended style is all that the tests read back.
    if (LiveWindow(hWnd) == nullptr || nIndex != GWL_EXSTYLE)
        return 0;
    return static_cast<LONG>(hWnd->exStyle);
}

void PostQuitMessage(int nExitCode)
{
    g_quitPending = true;
    g_quitCode = nExitCode;
}

BOOL PeekMessageA(MSG *lpMsg, HWND /*hWnd*/, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    // Only the quit request is ever waiting when nothing runs; it is what callers look for.
    const bool wantsQuit =
        (wMsgFilterMin == 0 && wMsgFilterMax == 0) || (wMsgFilterMin <= WM_QUIT && WM_QUIT <= wMsgFilterMax);
    if (!g_quitPending || !wantsQuit)
        return FALSE;
    *lpMsg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(g_quitCode), 0, 0, {}};
    if ((wRemoveMsg & PM_REMOVE) != 0)
        g_quitPending = false;
    return TRUE;
}
