// The program's icon, read from its compiled resources the way the shell finds an executable's
// icon: the first icon group, its first image.
#ifndef ZAHLIX_PLATFORM_FLTK_X11_WINDOW_ICON_H
#define ZAHLIX_PLATFORM_FLTK_X11_WINDOW_ICON_H

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace fltkhost {

struct IconPixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba; // top row first; transparent pixels have alpha 0
};

// The icon in a compiled resource file, or nothing when it holds no icon that can be read (a
// palette image of 1, 4 or 8 bits with its mask). Never reads past the bytes given.
std::optional<IconPixels> ProgramIcon(std::span<const std::byte> resources);

// The icon as the _NET_WM_ICON property holds it (Xlib's format 32: one long an item): for each
// factor the width, the height, then the pixels as ARGB, top row first, the icon enlarged by that
// whole factor (each pixel a square), so that a scaled taskbar finds a size that it shows sharp.
// The items come a buffer at a time to `put`: the whole, some 170 KB for factors 1, 2 and 4,
// would be fresh memory, whose page faults cost more than everything else that it takes.
void NetWmIcon(const IconPixels &icon, std::span<const int> factors, std::span<unsigned long> buffer,
               const std::function<void(std::span<const unsigned long>)> &put);

} // namespace fltkhost

#endif
