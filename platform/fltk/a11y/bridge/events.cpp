// Events for AT-SPI clients, from the places where the window changes: texts (as the deleted and
// inserted part of each change), the caret and selection, the focus, the window's activation,
// the context menu, and the end of the dialog.
#include "platform/fltk/a11y/bridge/events.h"
#include "platform/fltk/a11y/bridge/keys.h"
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
    // A field without the keyboard keeps its news until it gets it: a screen reader's braille
    // follows the caret and the selection it hears of.
    if (node != FocusNode())
        return;
    g_selections[edit] = now;
    if (caretMoved)
        g_signal_emit_by_name(node, "text-caret-moved", static_cast<gint>(now.second));
    if (selectionChanged &&
        (known == g_selections.end() || known->second.first != known->second.second || now.first != now.second))
        g_signal_emit_by_name(node, "text-selection-changed");
}

// The node that has the keyboard says so, as GTK's do: its focused state, and ATK's focus
// tracker, which the bridge sends on as a focus event.
void AnnounceFocus(AtkObject *node, bool focused)
{
    if (node == nullptr)
        return;
    atk_object_notify_state_change(node, ATK_STATE_FOCUSED, static_cast<gboolean>(focused));
    if (focused) {
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        atk_focus_tracker_notify(node);
        G_GNUC_END_IGNORE_DEPRECATIONS
    }
}

void FocusMoved(HWND control)
{
    Tree &tree = TheTree();
    if (tree.ended || control == tree.focus)
        return;
    AtkObject *previous = FocusNode();
    tree.focus = control;
    if (tree.menu != nullptr)
        return; // the menu keeps the keyboard until it closes
    AnnounceFocus(previous, false);
    if (AtkObject *now = NodeOf(control)) {
        AnnounceFocus(now, true);
        CaretMoved(control);
    }
}

// The window's active state, and the event that a screen reader follows the active window by.
void AnnounceActive(AtkObject *window, bool active)
{
    atk_object_notify_state_change(window, ATK_STATE_ACTIVE, static_cast<gboolean>(active));
    g_signal_emit_by_name(window, active ? "activate" : "deactivate");
}

void Activated(bool active)
{
    Tree &tree = TheTree();
    if (tree.ended || active == tree.active)
        return;
    tree.active = active;
    AnnounceActive(tree.menuWindow != nullptr ? tree.menuWindow : tree.dialog, active);
}

void Defunct(AtkObject *node)
{
    DataOf(node).defunct = true;
    atk_object_notify_state_change(node, ATK_STATE_DEFUNCT, TRUE);
}

// The menu's window leaves as GTK's does: no longer active, taken from the application, destroyed.
void CloseMenu(Tree &tree)
{
    if (tree.menu == nullptr)
        return;
    AnnounceFocus(FocusNode(), false);
    if (tree.active)
        AnnounceActive(tree.menuWindow, false);
    AtkObject *window = std::exchange(tree.menuWindow, nullptr);
    AtkObject *menu = std::exchange(tree.menu, nullptr);
    tree.menuOwner = nullptr;
    tree.menuHighlight = -1;
    DataOf(tree.application).children.resize(1);
    g_signal_emit_by_name(tree.application, "children-changed::remove", 1, window);
    g_signal_emit_by_name(window, "destroy");
    for (AtkObject *item : DataOf(menu).children) {
        Defunct(item);
        g_object_unref(item);
    }
    Defunct(menu);
    g_object_unref(menu);
    Defunct(window);
    g_object_unref(window);
}

// The menu is a window of its own, a child of the application beside the dialog, and while it
// is open it is the active window, as GTK's popup menus are: a screen reader that follows the
// active window reads the menu as the place of the keyboard, and the dialog again after it.
void MenuOpened(HWND edit, const std::vector<a11yabi::MenuItem> &items)
{
    Tree &tree = TheTree();
    if (tree.ended || items.empty())
        return;
    CloseMenu(tree);
    tree.menuWindow = NewNode(NodeKind::MenuWindow, nullptr, tree.application, 1);
    DataOf(tree.menuWindow).item = items.front();
    tree.menu = NewNode(NodeKind::Menu, nullptr, tree.menuWindow, 0);
    DataOf(tree.menuWindow).children.push_back(tree.menu);
    tree.menuOwner = edit;
    DataOf(tree.menu).item = items.front();
    for (std::size_t i = 1; i < items.size(); ++i) {
        AtkObject *item = NewNode(NodeKind::MenuItem, nullptr, tree.menu, static_cast<int>(i - 1));
        DataOf(item).item = items[i];
        DataOf(tree.menu).children.push_back(item);
    }
    // The menu takes the keyboard from the field, with no item highlighted yet.
    AtkObject *field = NodeOf(tree.focus);
    DataOf(tree.application).children.push_back(tree.menuWindow);
    g_signal_emit_by_name(tree.application, "children-changed::add", 1, tree.menuWindow);
    g_signal_emit_by_name(tree.menuWindow, "create");
    if (tree.active) {
        AnnounceActive(tree.dialog, false);
        AnnounceActive(tree.menuWindow, true);
    }
    AnnounceFocus(field, false);
    AnnounceFocus(tree.menu, true);
}

// As GTK's menus do: the item that the highlight leaves is no longer selected, the one that it
// reaches is selected and has the keyboard; with none highlighted, the menu has it.
void MenuHighlighted(int item)
{
    Tree &tree = TheTree();
    if (tree.ended || tree.menu == nullptr || item == tree.menuHighlight)
        return;
    const auto &items = DataOf(tree.menu).children;
    if (item < -1 || item >= static_cast<int>(items.size()))
        item = -1;
    AtkObject *previous = FocusNode();
    tree.menuHighlight = item;
    AtkObject *now = FocusNode();
    if (previous == now)
        return;
    if (DataOf(previous).kind == NodeKind::MenuItem)
        atk_object_notify_state_change(previous, ATK_STATE_SELECTED, FALSE);
    AnnounceFocus(previous, false);
    if (DataOf(now).kind == NodeKind::MenuItem)
        atk_object_notify_state_change(now, ATK_STATE_SELECTED, TRUE);
    AnnounceFocus(now, true);
}

// Closing the menu gives the keyboard back to the field, which says so again, in the dialog that
// is the active window again.
void MenuClosed()
{
    Tree &tree = TheTree();
    if (tree.ended || tree.menu == nullptr)
        return;
    CloseMenu(tree);
    if (AtkObject *field = NodeOf(tree.focus)) {
        AnnounceFocus(field, true);
        CaretMoved(tree.focus);
    }
    if (tree.active)
        AnnounceActive(tree.dialog, true);
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
    for (AtkObject *node : tree.controls)
        Defunct(node);
    Defunct(tree.dialog);
}

} // namespace

void AnnounceStart()
{
    Tree &tree = TheTree();
    if (tree.ended || !tree.active)
        return;
    AnnounceActive(tree.dialog, true);
    if (AtkObject *focused = FocusNode()) {
        AnnounceFocus(focused, true);
        if (DataOf(focused).kind == NodeKind::Field)
            CaretMoved(tree.focus);
    }
}

void ConnectEvents(a11yabi::Bridge *bridge)
{
    bridge->TextChanged = TextChanged;
    bridge->FocusMoved = FocusMoved;
    bridge->CaretMoved = CaretMoved;
    bridge->Activated = Activated;
    bridge->MenuOpened = MenuOpened;
    bridge->MenuHighlighted = MenuHighlighted;
    bridge->MenuClosed = MenuClosed;
    bridge->Key = DeliverKey;
    bridge->Ending = Ending;
}

} // namespace a11y
