// Dialog units to pixels.
#include "platform/fltk/dialog_units.h"

#include <cmath>
#include <cstdint>

namespace fltkhost {

BaseUnits BaseUnitsOfFont(int alphabetWidth, int height)
{
    return {(alphabetWidth / 26 + 1) / 2, height};
}

int FontPixelSize(int points, double dpi)
{
    return static_cast<int>(std::lround(points * dpi / 72));
}

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const std::int64_t half = (denominator < 0 ? -denominator : denominator) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t magnitude =
        ((product < 0 ? -product : product) + half) / (denominator < 0 ? -denominator : denominator);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

PixelRect DialogRectToPixels(int x, int y, int cx, int cy, BaseUnits units)
{
    return {MulDiv(x, units.x, 4), MulDiv(y, units.y, 8), MulDiv(cx, units.x, 4), MulDiv(cy, units.y, 8)};
}

} // namespace fltkhost
