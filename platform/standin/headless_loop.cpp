// The headless modal run: instead of a screen and a keyboard, a queue of user actions that a
// test or a tool has prepared. It never waits: running out of actions is an error.
#include "platform/standin/module.h"
#include "platform/standin/standin.h"
#include "platform/standin/window.h"

#include <cstdio>
#include <deque>

namespace {

std::deque<std::function<void(HWND)>> g_actions;

} // namespace

namespace standin {

void QueueUserAction(std::function<void(HWND hDlg)> action)
{
    g_actions.push_back(std::move(action));
}

std::size_t DiscardUserActions()
{
    const std::size_t count = g_actions.size();
    g_actions.clear();
    return count;
}

INT_PTR RunModalLoop(HWND hDlg)
{
    // A quit request in the queue ends the modal run, as on Windows, whether it was left there
    // before the run or posted during it; it stays there for the caller's own loop.
    while (LiveWindow(hDlg) != nullptr && !hDlg->ended && !QuitPending()) {
        if (g_actions.empty()) {
            std::fputs("zahlix: no display, and no user actions are queued: the dialog cannot run\n", stderr);
            return -1;
        }
        auto action = std::move(g_actions.front());
        g_actions.pop_front();
        action(hDlg);
        DispatchPostedMessages();
    }
    return LiveWindow(hDlg) != nullptr ? hDlg->result : -1;
}

void WakeModalLoop()
{
    // The run looks at the dialog after every action: nothing waits.
}

} // namespace standin
