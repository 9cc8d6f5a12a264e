// The runs of the program and of its dialog, the same on every dialog manager: Play starts the
// scenario, and the quit request that the run leaves in the thread's queue is taken out here,
// so that it cannot end the next run at once.
#include "tests/dialog/user.h"

#include "dialog/resource.h"

namespace user {

namespace {

Run PlayAndTakeQuit(const Scenario &scenario, const std::function<INT_PTR()> &start)
{
    Run run = Play(scenario, start);
    MSG msg{};
    run.quitPosted = PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    run.quitCode = run.quitPosted ? msg.wParam : 0;
    return run;
}

} // namespace

Run RunProgram(const Scenario &scenario)
{
    return PlayAndTakeQuit(scenario, [] {
        char commandLine[] = "";
        return static_cast<INT_PTR>(WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT));
    });
}

Run RunDialog(DLGPROC proc, const Scenario &scenario)
{
    return PlayAndTakeQuit(scenario, [proc] {
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONVERTER), nullptr, proc, 0);
    });
}

} // namespace user
