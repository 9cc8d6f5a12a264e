// The smallest FLTK program of Zahlix's kind, to measure the Linux program against: a window of
// Zahlix's size with three labelled single-line fields and nothing else. Escape closes it (FLTK's
// default for a window), and the program then ends with 0.
#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>

int main()
{
    Fl_Window window(200, 90, "Bare");
    Fl_Input dec(45, 5, 150, 24, "DEC:");
    Fl_Input hex(45, 33, 150, 24, "HEX:");
    Fl_Input bin(45, 61, 150, 24, "BIN:");
    window.end();
    window.show();
    return Fl::run();
}
