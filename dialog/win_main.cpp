// The program's entry: runs the converter dialog once. The command line is ignored.
#include "dialog/converter_dialog.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPSTR /*lpCmdLine*/, int /*nCmdShow*/)
{
    g_hInstance = hInstance;
    return RunConverterDialog() ? 0 : 1;
}
