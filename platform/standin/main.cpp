// The runtime's start-up for the stand-in: runs WinMain and ends with its result. The command
// line is handed on as the arguments after the program's name, joined by blanks.
#include "platform/win32.h"

#include <string>

int main(int argc, char **argv)
{
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
}
