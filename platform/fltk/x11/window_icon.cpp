// Decodes the icon image (a BITMAPINFOHEADER, its palette, the colour rows and the 1-bit
// transparency mask, both bottom row first) into RGBA pixels.
#include "platform/fltk/x11/window_icon.h"

#include "platform/standin/dialog_template.h"

#include <cstdint>

namespace fltkhost {

namespace {

constexpr WORD kResourceTypeIcon = 3;
constexpr WORD kResourceTypeGroupIcon = 14;

std::uint32_t Little(std::span<const std::byte> bytes, std::size_t offset, std::size_t size)
{
    std::uint32_t value = 0;
    for (std::size_t i = size; i > 0; --i)
        value = (value << 8U) | std::to_integer<std::uint32_t>(bytes[offset + i - 1]);
    return value;
}

// The resource id of the first image of the first icon group.
std::optional<WORD> FirstIconId(const std::vector<standin::Resource> &resources)
{
    for (const auto &resource : resources) {
        // GRPICONDIR: reserved, type 1, count; then 14-byte entries ending in the image's id.
        if (resource.type != kResourceTypeGroupIcon || resource.data.size() < 6 + 14)
            continue;
        if (Little(resource.data, 2, 2) != 1 || Little(resource.data, 4, 2) == 0)
            continue;
        return static_cast<WORD>(Little(resource.data, 6 + 12, 2));
    }
    return std::nullopt;
}

std::optional<IconPixels> DecodeImage(std::span<const std::byte> image)
{
    if (image.size() < 40 || Little(image, 0, 4) < 40)
        return std::nullopt;
    const auto headerSize = Little(image, 0, 4);
    const auto width = static_cast<std::int32_t>(Little(image, 4, 4));
    const auto doubleHeight = static_cast<std::int32_t>(Little(image, 8, 4));
    const auto bits = Little(image, 14, 2);
    const auto compression = Little(image, 16, 4);
    if (width <= 0 || width > 256 || doubleHeight <= 0 || doubleHeight > 512 || doubleHeight % 2 != 0 ||
        compression != 0 || (bits != 1 && bits != 4 && bits != 8))
        return std::nullopt;
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(doubleHeight / 2);
    std::size_t colours = Little(image, 32, 4);
    if (colours == 0 || colours > (1U << bits))
        colours = std::size_t{1} << bits;
    const std::size_t palette = headerSize;
    const std::size_t colourRows = palette + 4 * colours;
    const std::size_t colourStride = (w * bits + 31) / 32 * 4;
    const std::size_t maskRows = colourRows + colourStride * h;
    const std::size_t maskStride = (w + 31) / 32 * 4;
    if (headerSize > image.size() || maskRows + maskStride * h > image.size())
        return std::nullopt;

    IconPixels icon{width, doubleHeight / 2, std::vector<unsigned char>(w * h * 4)};
    for (std::size_t y = 0; y < h; ++y) {
        const std::size_t row = h - 1 - y; // the image is stored bottom row first
        for (std::size_t x = 0; x < w; ++x) {
            const std::size_t bit = x * bits;
            const auto byte = std::to_integer<unsigned>(image[colourRows + row * colourStride + bit / 8]);
            const unsigned index = (byte >> (8 - bits - bit % 8)) & ((1U << bits) - 1);
            const auto maskByte = std::to_integer<unsigned>(image[maskRows + row * maskStride + x / 8]);
            const bool transparent = ((maskByte >> (7 - x % 8)) & 1U) != 0;
            unsigned char *pixel = &icon.rgba[(y * w + x) * 4];
            if (index < colours) { // palette entries are blue, green, red, reserved
                const std::size_t entry = palette + std::size_t{4} * index;
                pixel[0] = std::to_integer<unsigned char>(image[entry + 2]);
                pixel[1] = std::to_integer<unsigned char>(image[entry + 1]);
                pixel[2] = std::to_integer<unsigned char>(image[entry]);
            }
            pixel[3] = transparent ? 0 : 255;
        }
    }
    return icon;
}

} // namespace

std::optional<IconPixels> ProgramIcon(std::span<const std::byte> resources)
{
    const auto parsed = standin::ParseResourceFile(resources);
    const auto *entries = std::get_if<std::vector<standin::Resource>>(&parsed);
    if (entries == nullptr)
        return std::nullopt;
    const auto id = FirstIconId(*entries);
    if (!id)
        return std::nullopt;
    for (const auto &resource : *entries) {
        if (resource.type == kResourceTypeIcon && resource.name == *id)
            return DecodeImage(resource.data);
    }
    return std::nullopt;
}

void NetWmIcon(const IconPixels &icon, std::span<const int> factors, std::span<unsigned long> buffer,
               const std::function<void(std::span<const unsigned long>)> &put)
{
    const auto w = static_cast<std::size_t>(icon.width);
    const auto h = static_cast<std::size_t>(icon.height);
    if (icon.rgba.size() != w * h * 4 || buffer.empty())
        return;
    std::size_t used = 0;
    const auto add = [&](unsigned long item) {
        if (used == buffer.size()) {
            put(buffer);
            used = 0;
        }
        buffer[used++] = item;
    };
    for (const int factor : factors) {
        if (factor < 1)
            continue;
        const auto f = static_cast<std::size_t>(factor);
        add(w * f);
        add(h * f);
        for (std::size_t y = 0; y < h; ++y) {
            for (std::size_t copy = 0; copy < f; ++copy) {
                for (std::size_t x = 0; x < w; ++x) {
                    const unsigned char *p = &icon.rgba[(y * w + x) * 4];
                    const unsigned long argb = (static_cast<unsigned long>(p[3]) << 24U) |
                                               (static_cast<unsigned long>(p[0]) << 16U) |
                                               (static_cast<unsigned long>(p[1]) << 8U) | p[2];
                    for (std::size_t same = 0; same < f; ++same)
                        add(argb);
                }
            }
        }
    }
    if (used > 0)
        put(buffer.first(used));
}

} // namespace fltkhost
