// Parsers of the compiled .res file and of the classic dialog template. All multi-byte values
// are little-endian; strings are NUL-terminated UTF-16.
#include "platform/standin/dialog_template.h"

#include "platform/standin/codepage.h"

#include <array>
#include <optional>
#include <string_view>

namespace standin {

namespace {

// A cursor over bytes that fails, instead of reading past the end, and remembers where.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::byte> bytes) : m_bytes(bytes) {}

    bool Failed() const { return m_failed; }
    std::size_t Position() const { return m_pos; }
    std::size_t Remaining() const { return m_failed ? 0 : m_bytes.size() - m_pos; }

    WORD Word()
    {
        if (!Require(2))
            return 0;
        const auto value = static_cast<WORD>(Byte(0) | (Byte(1) << 8U));
        m_pos += 2;
        return value;
    }

    DWORD Dword()
    {
        const DWORD low = Word();
        const DWORD high = Word();
        return low | (high << 16U);
    }

    short Short() { return static_cast<short>(Word()); }

    std::u16string String()
    {
        std::u16string text;
        for (WORD unit = Word(); unit != 0 && !m_failed; unit = Word())
            text.push_back(static_cast<char16_t>(unit));
        return text;
    }

    // An ordinal (0xFFFF then the number) or a string. An empty string is returned as nullopt
    // ordinal with empty text.
    struct NameOrOrdinal {
        std::optional<WORD> ordinal;
        std::u16string name;
    };
    NameOrOrdinal Name()
    {
        if (Remaining() >= 2 && Byte(0) == 0xFFU && Byte(1) == 0xFFU) {
            m_pos += 2;
            return {Word(), {}};
        }
        return {std::nullopt, String()};
    }

    // Skips to the next multiple of four bytes, counted from the start of the bytes.
    void AlignDword() { Skip((4 - m_pos % 4) % 4); }

    void Skip(std::size_t count)
    {
        if (Require(count))
            m_pos += count;
    }

private:
    unsigned Byte(std::size_t offset) const { return std::to_integer<unsigned>(m_bytes[m_pos + offset]); }

    bool Require(std::size_t count)
    {
        if (!m_failed && count > m_bytes.size() - m_pos)
            m_failed = true;
        return !m_failed;
    }

    std::span<const std::byte> m_bytes;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

std::string Truncated(std::string_view what, const ByteReader &reader)
{
    return std::string(what) + " is truncated at byte " + std::to_string(reader.Position());
}

std::string OrdinalText(WORD ordinal)
{
    return "#" + std::to_string(ordinal);
}

std::string NameText(const ByteReader::NameOrOrdinal &name)
{
    return name.ordinal ? OrdinalText(*name.ordinal) : Utf16ToAnsi(name.name);
}

std::string ClassName(const ByteReader::NameOrOrdinal &name)
{
    constexpr std::array<std::string_view, 6> kPredefined{"Button",  "Edit",      "Static",
                                                          "ListBox", "ScrollBar", "ComboBox"};
    if (name.ordinal && *name.ordinal >= 0x80 && *name.ordinal < 0x80 + kPredefined.size())
        return std::string(kPredefined[*name.ordinal - 0x80U]);
    return NameText(name);
}

} // namespace

Parsed<std::vector<Resource>> ParseResourceFile(std::span<const std::byte> bytes)
{
    std::vector<Resource> resources;
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        ByteReader header(bytes.subspan(offset));
        const DWORD dataSize = header.Dword();
        const DWORD headerSize = header.Dword();
        const auto type = header.Name();
        const auto name = header.Name();
        header.AlignDword();
        header.Skip(4 + 2); // data version, memory flags
        const WORD language = header.Word();
        header.Skip(4 + 4); // version, characteristics
        if (header.Failed())
            return Truncated("the resource header at byte " + std::to_string(offset), header);
        const std::size_t available = bytes.size() - offset;
        if (headerSize < header.Position() || headerSize > available || dataSize > available - headerSize)
            return "the resource at byte " + std::to_string(offset) + " claims more bytes than the file holds";
        if (type.ordinal && name.ordinal && (*type.ordinal != 0 || *name.ordinal != 0))
            resources.push_back({*type.ordinal, *name.ordinal, language, bytes.subspan(offset + headerSize, dataSize)});
        offset += (headerSize + dataSize + 3U) & ~std::size_t{3};
    }
    return resources;
}

Parsed<DialogTemplate> ParseDialogTemplate(std::span<const std::byte> bytes)
{
    ByteReader reader(bytes);
    DialogTemplate dialog;
    if (bytes.size() >= 4 && reader.Word() == 1 && reader.Word() == 0xFFFF)
        return std::string("extended dialog templates (DIALOGEX) are not supported");
    reader = ByteReader(bytes);

    dialog.style = reader.Dword();
    dialog.exStyle = reader.Dword();
    const WORD count = reader.Word();
    dialog.x = reader.Short();
    dialog.y = reader.Short();
    dialog.cx = reader.Short();
    dialog.cy = reader.Short();
    const auto menu = reader.Name();
    const auto windowClass = reader.Name();
    dialog.menu = NameText(menu);
    dialog.className = NameText(windowClass);
    dialog.caption = Utf16ToAnsi(reader.String());
    if ((dialog.style & DS_SETFONT) != 0) {
        dialog.pointSize = reader.Word();
        dialog.fontName = Utf16ToAnsi(reader.String());
    }
    if (reader.Failed())
        return Truncated("the dialog header", reader);

    for (WORD i = 0; i < count; ++i) {
        DialogItem item;
        reader.AlignDword();
        item.style = reader.Dword();
        item.exStyle = reader.Dword();
        item.x = reader.Short();
        item.y = reader.Short();
        item.cx = reader.Short();
        item.cy = reader.Short();
        item.id = reader.Word();
        item.className = ClassName(reader.Name());
        item.text = NameText(reader.Name());
        reader.Skip(reader.Word()); // creation data
        if (reader.Failed())
            return Truncated("dialog item " + std::to_string(i + 1) + " of " + std::to_string(count), reader);
        dialog.items.push_back(std::move(item));
    }
    return dialog;
}

} // namespace standin
