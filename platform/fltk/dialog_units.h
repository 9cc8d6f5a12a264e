// Dialog units to pixels, as the Win32 dialog manager converts them: from the dialog base units
// of the dialog's font, with MulDiv's rounding.
#ifndef ZAHLIX_PLATFORM_FLTK_DIALOG_UNITS_H
#define ZAHLIX_PLATFORM_FLTK_DIALOG_UNITS_H

namespace fltkhost {

// The average character width and the height of a dialog font, in pixels. A horizontal dialog
// unit is a quarter of the width, a vertical one an eighth of the height.
struct BaseUnits {
    int x = 0;
    int y = 0;
    bool operator==(const BaseUnits &) const = default;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool operator==(const PixelRect &) const = default;
};

// Windows' base units of a font: the extent of "A".."Z" "a".."z" in pixels over 26, halved and
// rounded up, and the font's height (ascent plus descent).
BaseUnits BaseUnitsOfFont(int alphabetWidth, int height);

// The pixel size of a font given in points, laid out for `dpi` dots per inch: MulDiv(points,
// dpi, 72) as Windows computes it, for a fractional DPI too (rounded half away from zero).
int FontPixelSize(int points, double dpi);

// number * numerator / denominator, rounded half away from zero, as Win32's MulDiv.
int MulDiv(int number, int numerator, int denominator);

// A rectangle in dialog units in pixels, each of its four values converted on its own, as the
// dialog manager places a template's controls.
PixelRect DialogRectToPixels(int x, int y, int cx, int cy, BaseUnits units);

} // namespace fltkhost

#endif
