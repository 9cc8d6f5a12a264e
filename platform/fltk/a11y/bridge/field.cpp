// AtkText and AtkEditableText of an edit field. Reading answers from the dialog manager's text
// and the window's caret; every change goes to the host, which performs it as the user's edit.
// The calls come from other processes: every offset is checked, and a call out of range is
// refused (an empty text, -1, FALSE) and changes nothing.
#include "platform/fltk/a11y/bridge/nodes.h"

#include <cstddef>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace a11y {

namespace {

using Range = std::pair<std::size_t, std::size_t>;

// The live field behind an AtkText, or nullptr once the dialog has ended.
HWND FieldOf(gpointer object)
{
    auto *atk = ATK_OBJECT(object);
    return Alive(atk) ? DataOf(atk).hwnd : nullptr;
}

std::size_t CountOf(HWND field)
{
    return field->text.size();
}

// [start, end) within the text; an end of -1 stands for the end of the text.
std::optional<Range> RangeIn(HWND field, gint start, gint end)
{
    const std::size_t count = CountOf(field);
    if (start < 0 || (end < 0 && end != -1))
        return std::nullopt;
    const auto low = static_cast<std::size_t>(start);
    const std::size_t high = end == -1 ? count : static_cast<std::size_t>(end);
    if (low > high || high > count)
        return std::nullopt;
    return Range{low, high};
}

std::optional<std::size_t> OffsetIn(HWND field, gint offset)
{
    if (offset < 0 || static_cast<std::size_t>(offset) > CountOf(field))
        return std::nullopt;
    return static_cast<std::size_t>(offset);
}

bool Writable(HWND field)
{
    constexpr DWORD kReadOnly = 0x0800;
    return (field->style & (WS_DISABLED | kReadOnly)) == 0;
}

gchar *Utf8Of(HWND field, Range range)
{
    const std::string text =
        TheTree().host->ToUtf8(std::string_view(field->text).substr(range.first, range.second - range.first));
    return g_strdup(text.c_str());
}

// A field shows its selection only while it has the keyboard, as an edit control hides it:
// without the keyboard it reports none, so that a screen reader never joins it to the selection
// of the field being read.
Range Selection(HWND field)
{
    std::size_t start = 0;
    std::size_t end = 0;
    TheTree().host->Selection(field, &start, &end);
    if (NodeOf(field) != FocusNode())
        return {end, end};
    return {std::min(start, end), std::max(start, end)};
}

gchar *GetText(AtkText *text, gint start, gint end)
{
    HWND field = FieldOf(text);
    const auto range = field != nullptr ? RangeIn(field, start, end) : std::nullopt;
    return range ? Utf8Of(field, *range) : g_strdup("");
}

gint GetCharacterCount(AtkText *text)
{
    HWND field = FieldOf(text);
    return field != nullptr ? static_cast<gint>(CountOf(field)) : -1;
}

gunichar GetCharacterAtOffset(AtkText *text, gint offset)
{
    HWND field = FieldOf(text);
    if (field == nullptr || offset < 0 || static_cast<std::size_t>(offset) >= CountOf(field))
        return 0;
    const std::string utf8 =
        TheTree().host->ToUtf8(std::string_view(field->text).substr(static_cast<std::size_t>(offset), 1));
    return g_utf8_get_char(utf8.c_str());
}

// A character, a word (a run without spaces), or the whole single line for every larger unit.
Range Unit(HWND field, std::size_t offset, AtkTextGranularity granularity)
{
    const std::string &s = field->text;
    switch (granularity) {
    case ATK_TEXT_GRANULARITY_CHAR:
        return {offset, std::min(offset + 1, s.size())};
    case ATK_TEXT_GRANULARITY_WORD: {
        std::size_t low = offset;
        std::size_t high = offset;
        while (low > 0 && s[low - 1] != ' ')
            --low;
        while (high < s.size() && s[high] != ' ')
            ++high;
        return {low, high};
    }
    default:
        return {0, s.size()};
    }
}

gchar *GetStringAtOffset(AtkText *text, gint offset, AtkTextGranularity granularity, gint *start, gint *end)
{
    HWND field = FieldOf(text);
    const auto at = field != nullptr ? OffsetIn(field, offset) : std::nullopt;
    const Range range = at ? Unit(field, *at, granularity) : Range{};
    if (start != nullptr)
        *start = at ? static_cast<gint>(range.first) : -1;
    if (end != nullptr)
        *end = at ? static_cast<gint>(range.second) : -1;
    return at ? Utf8Of(field, range) : g_strdup("");
}

// The places where units of a boundary type begin (or, for the *_END types, end) in the text,
// from 0 to its end: every character; words as runs without spaces; the whole single line for
// sentences and lines.
std::vector<std::size_t> Boundaries(const std::string &s, AtkTextBoundary boundary)
{
    std::vector<std::size_t> places{0};
    for (std::size_t i = 1; i < s.size(); ++i) {
        const bool wordStarts = s[i] != ' ' && s[i - 1] == ' ';
        const bool wordEnds = s[i] == ' ' && s[i - 1] != ' ';
        if (boundary == ATK_TEXT_BOUNDARY_CHAR || (boundary == ATK_TEXT_BOUNDARY_WORD_START && wordStarts) ||
            (boundary == ATK_TEXT_BOUNDARY_WORD_END && wordEnds))
            places.push_back(i);
    }
    if (!s.empty())
        places.push_back(s.size());
    return places;
}

// The unit at an offset, or the one before or after it, as ATK's get_text_*_offset define them:
// a *_START unit runs from a boundary at or before the offset to the next one, an *_END unit from
// the boundary before the offset to the one at or after it. A character at the end of the text
// is empty; a word or line there is the last one. Out of units: empty, at the text's start or end.
Range UnitNear(HWND field, std::size_t offset, AtkTextBoundary boundary, int step)
{
    const std::string &s = field->text;
    if (boundary == ATK_TEXT_BOUNDARY_CHAR) {
        const auto low = static_cast<std::ptrdiff_t>(offset) + step;
        if (low < 0)
            return {0, 0};
        const auto at = std::min(static_cast<std::size_t>(low), s.size());
        return {at, std::min(at + 1, s.size())};
    }
    const std::vector<std::size_t> places = Boundaries(s, boundary);
    if (places.size() < 2)
        return {0, 0};
    const bool ends = boundary == ATK_TEXT_BOUNDARY_WORD_END || boundary == ATK_TEXT_BOUNDARY_SENTENCE_END ||
                      boundary == ATK_TEXT_BOUNDARY_LINE_END;
    // The unit [places[i], places[i + 1]) that holds the offset.
    std::size_t i = 0;
    if (ends) {
        while (i + 2 < places.size() && places[i + 1] < offset)
            ++i;
    } else {
        while (i + 2 < places.size() && places[i + 1] <= offset)
            ++i;
    }
    const auto unit = static_cast<std::ptrdiff_t>(i) + step;
    if (unit < 0)
        return {0, 0};
    if (static_cast<std::size_t>(unit) + 1 >= places.size())
        return {s.size(), s.size()};
    return {places[static_cast<std::size_t>(unit)], places[static_cast<std::size_t>(unit) + 1]};
}

gchar *TextNear(AtkText *text, gint offset, AtkTextBoundary boundary, int step, gint *start, gint *end)
{
    HWND field = FieldOf(text);
    const auto at = field != nullptr ? OffsetIn(field, offset) : std::nullopt;
    const Range range = at ? UnitNear(field, *at, boundary, step) : Range{};
    if (start != nullptr)
        *start = at ? static_cast<gint>(range.first) : -1;
    if (end != nullptr)
        *end = at ? static_cast<gint>(range.second) : -1;
    return at ? Utf8Of(field, range) : g_strdup("");
}

gchar *GetTextAtOffset(AtkText *text, gint offset, AtkTextBoundary boundary, gint *start, gint *end)
{
    return TextNear(text, offset, boundary, 0, start, end);
}

gchar *GetTextBeforeOffset(AtkText *text, gint offset, AtkTextBoundary boundary, gint *start, gint *end)
{
    return TextNear(text, offset, boundary, -1, start, end);
}

gchar *GetTextAfterOffset(AtkText *text, gint offset, AtkTextBoundary boundary, gint *start, gint *end)
{
    return TextNear(text, offset, boundary, 1, start, end);
}

// The text has no attributes of its own: one run, without attributes, over the whole text.
AtkAttributeSet *GetRunAttributes(AtkText *text, gint offset, gint *start, gint *end)
{
    HWND field = FieldOf(text);
    const auto at = field != nullptr ? OffsetIn(field, offset) : std::nullopt;
    if (start != nullptr)
        *start = at ? 0 : -1;
    if (end != nullptr)
        *end = at ? static_cast<gint>(CountOf(field)) : -1;
    return nullptr;
}

AtkAttributeSet *GetDefaultAttributes(AtkText * /*text*/)
{
    return nullptr;
}

gint GetCaretOffset(AtkText *text)
{
    HWND field = FieldOf(text);
    if (field == nullptr)
        return -1;
    std::size_t start = 0;
    std::size_t caret = 0;
    TheTree().host->Selection(field, &start, &caret);
    return static_cast<gint>(caret);
}

gboolean SetCaretOffset(AtkText *text, gint offset)
{
    HWND field = FieldOf(text);
    const auto at = field != nullptr ? OffsetIn(field, offset) : std::nullopt;
    return static_cast<gboolean>(at && TheTree().host->Select(field, *at, *at));
}

gint GetNSelections(AtkText *text)
{
    HWND field = FieldOf(text);
    if (field == nullptr)
        return -1;
    const Range selection = Selection(field);
    return selection.first != selection.second ? 1 : 0;
}

gchar *GetSelection(AtkText *text, gint number, gint *start, gint *end)
{
    HWND field = FieldOf(text);
    const Range selection = field != nullptr ? Selection(field) : Range{};
    const bool exists = field != nullptr && number == 0 && selection.first != selection.second;
    if (start != nullptr)
        *start = exists ? static_cast<gint>(selection.first) : -1;
    if (end != nullptr)
        *end = exists ? static_cast<gint>(selection.second) : -1;
    return exists ? Utf8Of(field, selection) : nullptr;
}

gboolean SetSelection(AtkText *text, gint number, gint start, gint end)
{
    HWND field = FieldOf(text);
    const auto range = field != nullptr && number == 0 ? RangeIn(field, start, end) : std::nullopt;
    return static_cast<gboolean>(range && TheTree().host->Select(field, range->first, range->second));
}

gboolean AddSelection(AtkText *text, gint start, gint end)
{
    // A field holds one selection: adding is allowed only while there is none.
    return static_cast<gboolean>(GetNSelections(text) == 0 && SetSelection(text, 0, start, end) != FALSE);
}

gboolean RemoveSelection(AtkText *text, gint number)
{
    HWND field = FieldOf(text);
    if (field == nullptr || number != 0 || GetNSelections(text) != 1)
        return FALSE;
    const gint caret = GetCaretOffset(text);
    return SetCaretOffset(text, caret);
}

bool CoordinatesOnScreen(AtkCoordType coordinates)
{
    return coordinates == ATK_XY_SCREEN;
}

void GetCharacterExtents(AtkText *text, gint offset, gint *x, gint *y, gint *width, gint *height,
                         AtkCoordType coordinates)
{
    HWND field = FieldOf(text);
    a11yabi::Rect r{-1, -1, -1, -1};
    if (field == nullptr || offset < 0 ||
        !TheTree().host->CharacterExtents(field, static_cast<std::size_t>(offset), CoordinatesOnScreen(coordinates),
                                          &r))
        r = {-1, -1, -1, -1};
    for (auto [out, value] : {std::pair{x, r.x}, {y, r.y}, {width, r.w}, {height, r.h}}) {
        if (out != nullptr)
            *out = value;
    }
}

// The character under a point: the one whose drawn box holds it, or -1.
gint GetOffsetAtPoint(AtkText *text, gint x, gint y, AtkCoordType coordinates)
{
    HWND field = FieldOf(text);
    if (field == nullptr)
        return -1;
    a11yabi::Rect r;
    for (std::size_t i = 0; i < CountOf(field); ++i) {
        if (TheTree().host->CharacterExtents(field, i, CoordinatesOnScreen(coordinates), &r) && x >= r.x &&
            x < r.x + r.w && y >= r.y && y < r.y + r.h)
            return static_cast<gint>(i);
    }
    return -1;
}

void SetTextContents(AtkEditableText *text, const gchar *string)
{
    HWND field = FieldOf(text);
    if (field != nullptr && string != nullptr && Writable(field))
        TheTree().host->Replace(field, 0, CountOf(field), string);
}

void InsertText(AtkEditableText *text, const gchar *string, gint length, gint *position)
{
    HWND field = FieldOf(text);
    if (field == nullptr || string == nullptr || position == nullptr || !Writable(field))
        return;
    const auto at = OffsetIn(field, *position);
    if (!at)
        return;
    // The length comes from the caller: never read past the string's end.
    const std::size_t bytes = length < 0 ? std::strlen(string) : strnlen(string, static_cast<std::size_t>(length));
    const std::size_t before = CountOf(field);
    if (TheTree().host->Replace(field, *at, *at, std::string_view(string, bytes)))
        *position = static_cast<gint>(*at + (CountOf(field) - before));
}

void DeleteText(AtkEditableText *text, gint start, gint end)
{
    HWND field = FieldOf(text);
    const auto range = field != nullptr && Writable(field) ? RangeIn(field, start, end) : std::nullopt;
    if (range && range->first != range->second)
        TheTree().host->Replace(field, range->first, range->second, {});
}

void CopyText(AtkEditableText *text, gint start, gint end)
{
    HWND field = FieldOf(text);
    const auto range = field != nullptr ? RangeIn(field, start, end) : std::nullopt;
    if (range && range->first != range->second) {
        gchar *copied = Utf8Of(field, *range);
        TheTree().host->Copy(copied);
        g_free(copied);
    }
}

void CutText(AtkEditableText *text, gint start, gint end)
{
    HWND field = FieldOf(text);
    if (field != nullptr && Writable(field)) {
        CopyText(text, start, end);
        DeleteText(text, start, end);
    }
}

void PasteText(AtkEditableText *text, gint position)
{
    HWND field = FieldOf(text);
    const auto at = field != nullptr && Writable(field) ? OffsetIn(field, position) : std::nullopt;
    if (at)
        TheTree().host->Paste(field, *at);
}

} // namespace

void InitText(AtkTextIface *iface)
{
    iface->get_text = GetText;
    iface->get_character_count = GetCharacterCount;
    iface->get_character_at_offset = GetCharacterAtOffset;
    iface->get_string_at_offset = GetStringAtOffset;
    iface->get_text_at_offset = GetTextAtOffset;
    iface->get_text_before_offset = GetTextBeforeOffset;
    iface->get_text_after_offset = GetTextAfterOffset;
    iface->get_run_attributes = GetRunAttributes;
    iface->get_default_attributes = GetDefaultAttributes;
    iface->get_caret_offset = GetCaretOffset;
    iface->get_character_extents = GetCharacterExtents;
    iface->get_offset_at_point = GetOffsetAtPoint;
    iface->set_caret_offset = SetCaretOffset;
    iface->get_n_selections = GetNSelections;
    iface->get_selection = GetSelection;
    iface->set_selection = SetSelection;
    iface->add_selection = AddSelection;
    iface->remove_selection = RemoveSelection;
}

void InitEditableText(AtkEditableTextIface *iface)
{
    iface->set_text_contents = SetTextContents;
    iface->insert_text = InsertText;
    iface->delete_text = DeleteText;
    iface->copy_text = CopyText;
    iface->cut_text = CutText;
    iface->paste_text = PasteText;
}

} // namespace a11y
