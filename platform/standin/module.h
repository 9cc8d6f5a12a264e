// Modules: what an HINSTANCE names in the stand-in, a set of compiled resources.
#ifndef ZAHLIX_PLATFORM_STANDIN_MODULE_H
#define ZAHLIX_PLATFORM_STANDIN_MODULE_H

#include "platform/win32.h"

#include <cstddef>
#include <span>

struct HINSTANCE__ {
    std::span<const std::byte> resources; // a compiled resource file (.res)
};

namespace standin {

// The program's own resources, compiled from resources/zahlix.rc and linked into the program.
std::span<const std::byte> ProgramResources();

// The modal run of a dialog that has been created and initialised: plays the user's input until
// EndDialog. Returns the EndDialog value, or -1 when the dialog cannot run (the reason is written
// to standard error). Each host (headless, or a real window) provides its own.
INT_PTR RunModalLoop(HWND hDlg);

// EndDialog was called: a modal run that waits for input must look again, as Windows' EndDialog
// posts a message to wake the loop. Each host provides its own.
void WakeModalLoop();

} // namespace standin

#endif
