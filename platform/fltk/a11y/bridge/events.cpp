// Events for AT-SPI clients, from the places where the window changes: texts (as the deleted and
// inserted part of each change), the caret and selection, the focus, the window's activation,
// the context menu, and the end of the dialog.
#include "platform/fltk/a11y/bridge/events.h"
#include "platform/fltk/a11y/bridge/nodes.h"

#include <algorithm>
#include <map>
#include <utility>

namespace a11y {

namespace {

using Selection = std::pair<std::size_t, std::size_t>;

std::map<HWND, Selection> g_selections; // as last reported, for each field

void EmitTextPart(AtkObject *node, const char *signal, std::size_t position, std::string_view part)
{
    if (part.empty())
        return;
    const std::string utf8 = TheTree().host->ToUtf8(part);
    g_signal_emit_by_name(node, signal, static_cast<gint>(position), static_cast<gint>(part.size()), utf8.c_str());
}

// The part that changed lies between the common start and the common end of the two texts.
void TextChanged(HWND control, std::string_view before)
{
    AtkObject *node = NodeOf(control);
    if (node == nullptr || !Alive(node))
        return;
    if (DataOf(node).kind != NodeKind::Field) {
        g_object_notify(G_OBJECT(node), "accessible-name");
        return;
    }
    const std::string_view after = control->text;
    const std::size_t shorter = std::min(before.size(), after.size());
    std::size_t prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    EmitTextPart(node, "text-remove", prefix, before.substr(prefix, before.size() - prefix - suffix));
    EmitTextPart(node, "text-insert", prefix, after.substr(prefix, after.size() - prefix - suffix));
}

void CaretMoved(HWND edit)
{
    AtkObject *node = NodeOf(edit);
    if (node == nullptr || !Alive(node) || DataOf(node).kind != NodeKind::Field)
        return;
    Selection now;
    TheTree().host->Selection(edit, &now.first, &now.second);
    const auto known = g_selections.find(edit);
    const bool caretMoved = known == g_selections.end() || known->second.second != now.second;
    const bool selectionChanged = known == g_selections.end() || known->second != now;
    g_selections[edit] = now;
    if (caretMoved && edit == TheTree().focus)
        g_signal_emit_by_name(node, "text-caret-moved", static_cast<gint>(now.second));
    if (selectionChanged &&
        (known == g_selections.end() || known->second.first != known->second.second || now.first != now.second))
        g_signal_emit_by_name(node, "text-selection-changed");
}

void FocusMoved(HWND control)
{
    Tree &tree = TheTree();
    if (tree.ended || control == tree.focus)
        return;
    AtkObject *previous = NodeOf(tree.focus);
    tree.focus = control;
    if (previous != nullptr)
        atk_object_notify_state_change(previous, ATK_STATE_FOCUSED, FALSE);
    if (AtkObject *now = NodeOf(control)) {
        atk_object_notify_state_change(now, ATK_STATE_FOCUSED, TRUE);
        CaretMoved(control);
    }
}

void Activated(bool active)
{
    Tree &tree = TheTree();
    if (tree.ended || active == tree.active)
        return;
    tree.active = active;
    atk_object_notify_state_change(tree.dialog, ATK_STATE_ACTIVE, static_cast<gboolean>(active));
    g_signal_emit_by_name(tree.dialog, active ? "activate" : "deactivate");
}

void CloseMenu(Tree &tree)
{
    if (tree.menu == nullptr)
        return;
    AtkObject *menu = std::exchange(tree.menu, nullptr);
    tree.menuOwner = nullptr;
    DataOf(tree.application).children.resize(1);
    g_signal_emit_by_name(tree.application, "children-changed::remove", 1, menu);
    for (AtkObject *item : DataOf(menu).children) {
        DataOf(item).defunct = true;
        atk_object_notify_state_change(item, ATK_STATE_DEFUNCT, TRUE);
        g_object_unref(item);
    }
    DataOf(menu).defunct = true;
    atk_object_notify_state_change(menu, ATK_STATE_DEFUNCT, TRUE);
    g_object_unref(menu);
}

// The menu is a window of its own: a child of the application beside the dialog.
void MenuOpened(HWND edit, const std::vector<a11yabi::MenuItem> &items)
{
    Tree &tree = TheTree();
    if (tree.ended || items.empty())
        return;
    CloseMenu(tree);
    tree.menu = NewNode(NodeKind::Menu, nullptr, tree.application, 1);
    tree.menuOwner = edit;
    DataOf(tree.menu).item = items.front();
    for (std::size_t i = 1; i < items.size(); ++i) {
        AtkObject *item = NewNode(NodeKind::MenuItem, nullptr, tree.menu, static_cast<int>(i - 1));
        DataOf(item).item = items[i];
        DataOf(tree.menu).children.push_back(item);
    }
    DataOf(tree.application).children.push_back(tree.menu);
    g_signal_emit_by_name(tree.application, "children-changed::add", 1, tree.menu);
}

void MenuClosed()
{
    CloseMenu(TheTree());
}

// From here on every object answers as defunct, before the dialog's windows are destroyed.
void Ending()
{
    Tree &tree = TheTree();
    if (tree.ended)
        return;
    CloseMenu(tree);
    tree.ended = true;
    DataOf(tree.application).children.clear();
    g_signal_emit_by_name(tree.application, "children-changed::remove", 0, tree.dialog);
    for (AtkObject *node : tree.controls) {
        DataOf(node).defunct = true;
        atk_object_notify_state_change(node, ATK_STATE_DEFUNCT, TRUE);
    }
    DataOf(tree.dialog).defunct = true;
    atk_object_notify_state_change(tree.dialog, ATK_STATE_DEFUNCT, TRUE);
}

} // namespace

void ConnectEvents(a11yabi::Bridge *bridge)
{
    bridge->TextChanged = TextChanged;
    bridge->FocusMoved = FocusMoved;
    bridge->CaretMoved = CaretMoved;
    bridge->Activated = Activated;
    bridge->MenuOpened = MenuOpened;
    bridge->MenuClosed = MenuClosed;
    bridge->Ending = Ending;
}

} // namespace a11y
