// The node types: what every accessible object answers (role, name, states, children, parent),
// read from the window model at each call, and the types that stand for each kind of node.
#include "platform/fltk/a11y/bridge/nodes.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <utility>

namespace a11y {

namespace {

constexpr DWORD kButtonTypeMask = 0x0F;
constexpr DWORD kCheckBox = 0x02;
constexpr DWORD kAutoCheckBox = 0x03;
constexpr DWORD kRadioButton = 0x04;
constexpr DWORD kAutoRadioButton = 0x09;
constexpr DWORD kGroupBox = 0x07;
constexpr DWORD kEditReadOnly = 0x0800;
constexpr DWORD kEditMultiLine = 0x0004;

GObjectClass *g_nodeParentClass;

AtkRole ButtonRole(DWORD style)
{
    switch (style & kButtonTypeMask) {
    case kGroupBox:
        return ATK_ROLE_PANEL;
    case kCheckBox:
    case kAutoCheckBox:
        return ATK_ROLE_CHECK_BOX;
    case kRadioButton:
    case kAutoRadioButton:
        return ATK_ROLE_RADIO_BUTTON;
    default:
        return ATK_ROLE_PUSH_BUTTON;
    }
}

AtkRole RoleOf(const NodeData &data)
{
    switch (data.kind) {
    case NodeKind::Application:
        return ATK_ROLE_APPLICATION;
    case NodeKind::Dialog:
        return ATK_ROLE_DIALOG;
    case NodeKind::Field:
        return ATK_ROLE_ENTRY;
    case NodeKind::MenuWindow:
        return ATK_ROLE_WINDOW;
    case NodeKind::Menu:
        return ATK_ROLE_MENU; // as GTK names a popup menu in its window
    case NodeKind::MenuItem:
        return ATK_ROLE_MENU_ITEM;
    case NodeKind::Control:
        break;
    }
    switch (data.hwnd->kind) {
    case WindowKind::Static:
        return ATK_ROLE_LABEL;
    case WindowKind::Button:
        return ButtonRole(data.hwnd->style);
    default:
        return ATK_ROLE_UNKNOWN;
    }
}

// What a node is, for the table of states below.
struct Facts {
    AtkObject *node;
    const NodeData &data;
    const a11yabi::Host &host;
    AtkObject *focus; // the node that has the keyboard
    bool active;
    bool menuOpen;
};

bool InMenu(const Facts &f)
{
    return f.data.kind == NodeKind::MenuWindow || f.data.kind == NodeKind::Menu || f.data.kind == NodeKind::MenuItem;
}

bool HasWindow(const Facts &f)
{
    return f.data.hwnd != nullptr;
}
bool Enabled(const Facts &f)
{
    if (f.data.kind == NodeKind::MenuItem)
        return f.data.item.enabled;
    if (InMenu(f))
        return true;
    return HasWindow(f) && (f.data.hwnd->style & WS_DISABLED) == 0;
}
bool Visible(const Facts &f)
{
    if (InMenu(f))
        return true;
    if (!HasWindow(f))
        return false;
    // A modal dialog is shown by the dialog manager whatever its template's style says.
    const bool shown = f.data.kind == NodeKind::Dialog || (f.data.hwnd->style & WS_VISIBLE) != 0;
    return shown && f.host.Showing(f.data.hwnd);
}
bool IsEdit(const Facts &f)
{
    return f.data.kind == NodeKind::Field;
}
bool Editable(const Facts &f)
{
    return IsEdit(f) && (f.data.hwnd->style & kEditReadOnly) == 0;
}
bool SingleLine(const Facts &f)
{
    return IsEdit(f) && (f.data.hwnd->style & kEditMultiLine) == 0;
}
bool Focusable(const Facts &f)
{
    return IsEdit(f) || f.data.kind == NodeKind::Menu || (f.data.kind == NodeKind::MenuItem && f.data.item.enabled) ||
           (f.data.kind == NodeKind::Control && (f.data.hwnd->style & WS_TABSTOP) != 0);
}
bool Focused(const Facts &f)
{
    return f.node == f.focus && f.data.kind != NodeKind::Dialog;
}
bool Highlighted(const Facts &f)
{
    return f.data.kind == NodeKind::MenuItem && f.node == f.focus;
}
// As GTK's popup menus: while the menu is open, its window is the active one.
bool ActiveWindow(const Facts &f)
{
    const NodeKind window = f.menuOpen ? NodeKind::MenuWindow : NodeKind::Dialog;
    return f.data.kind == window && f.active;
}
bool Selectable(const Facts &f)
{
    return f.data.kind == NodeKind::MenuItem;
}

// One row a fact about the node, and the state it sets.
struct StateRule {
    bool (*applies)(const Facts &);
    AtkStateType state;
};
constexpr std::array kStateRules{
    StateRule{Enabled, ATK_STATE_ENABLED},      StateRule{Enabled, ATK_STATE_SENSITIVE},
    StateRule{Visible, ATK_STATE_VISIBLE},      StateRule{Visible, ATK_STATE_SHOWING},
    StateRule{Editable, ATK_STATE_EDITABLE},    StateRule{SingleLine, ATK_STATE_SINGLE_LINE},
    StateRule{Focusable, ATK_STATE_FOCUSABLE},  StateRule{Focused, ATK_STATE_FOCUSED},
    StateRule{ActiveWindow, ATK_STATE_ACTIVE},  StateRule{Selectable, ATK_STATE_SELECTABLE},
    StateRule{Highlighted, ATK_STATE_SELECTED},
};

const gchar *GetName(AtkObject *object)
{
    NodeData &data = DataOf(object);
    if (!Alive(object))
        return nullptr;
    const a11yabi::Host &host = *TheTree().host;
    switch (data.kind) {
    case NodeKind::Application:
        data.name = "zahlix";
        break;
    case NodeKind::Dialog:
        data.name = host.ToUtf8(data.hwnd->text);
        break;
    case NodeKind::Field: {
        HWND label = LabelOf(data.hwnd);
        data.name = label != nullptr ? host.ToUtf8(WithoutMnemonic(label->text)) : std::string();
        break;
    }
    case NodeKind::Control:
        data.name = host.ToUtf8(WithoutMnemonic(data.hwnd->text));
        break;
    case NodeKind::MenuWindow:
    case NodeKind::Menu:
        data.name.clear();
        break;
    case NodeKind::MenuItem:
        data.name = WithoutMnemonic(data.item.label);
        break;
    }
    return data.name.c_str();
}

AtkRole GetRole(AtkObject *object)
{
    return RoleOf(DataOf(object));
}

gint GetNChildren(AtkObject *object)
{
    if (!Alive(object))
        return 0;
    return static_cast<gint>(DataOf(object).children.size());
}

AtkObject *RefChild(AtkObject *object, gint index)
{
    const auto &children = DataOf(object).children;
    if (!Alive(object) || index < 0 || static_cast<std::size_t>(index) >= children.size())
        return nullptr;
    return ATK_OBJECT(g_object_ref(children[static_cast<std::size_t>(index)]));
}

gint GetIndexInParent(AtkObject *object)
{
    return Alive(object) ? DataOf(object).index : -1;
}

AtkStateSet *RefStateSet(AtkObject *object)
{
    AtkStateSet *states = atk_state_set_new();
    if (!Alive(object)) {
        atk_state_set_add_state(states, ATK_STATE_DEFUNCT);
        return states;
    }
    const Tree &tree = TheTree();
    const Facts facts{object, DataOf(object), *tree.host, FocusNode(), tree.active, tree.menu != nullptr};
    for (const StateRule &rule : kStateRules) {
        if (rule.applies(facts))
            atk_state_set_add_state(states, rule.state);
    }
    return states;
}

void FinalizeNode(GObject *object)
{
    auto *node = reinterpret_cast<Node *>(object);
    delete node->data;
    node->data = nullptr;
    g_nodeParentClass->finalize(object);
}

void NodeClassInit(gpointer klass, gpointer /*data*/)
{
    g_nodeParentClass = G_OBJECT_CLASS(g_type_class_peek_parent(klass));
    G_OBJECT_CLASS(klass)->finalize = FinalizeNode;
    auto *atkClass = ATK_OBJECT_CLASS(klass);
    atkClass->get_name = GetName;
    atkClass->get_role = GetRole;
    atkClass->get_n_children = GetNChildren;
    atkClass->ref_child = RefChild;
    atkClass->get_index_in_parent = GetIndexInParent;
    atkClass->ref_state_set = RefStateSet;
}

void AddComponent(gpointer iface, gpointer /*data*/)
{
    InitComponent(static_cast<AtkComponentIface *>(iface));
}
void AddText(gpointer iface, gpointer /*data*/)
{
    InitText(static_cast<AtkTextIface *>(iface));
}
void AddEditableText(gpointer iface, gpointer /*data*/)
{
    InitEditableText(static_cast<AtkEditableTextIface *>(iface));
}
// AtkWindow has signals only (activate, deactivate, create, destroy): implementing it lets the
// dialog and the menu's window emit them.
void AddWindow(gpointer /*iface*/, gpointer /*data*/) {}

struct Interface {
    GType (*type)();
    GInterfaceInitFunc init;
};

GType Register(GType parent, const char *name, std::initializer_list<Interface> interfaces, bool base = false)
{
    GTypeInfo info{};
    info.class_size = sizeof(NodeClass);
    info.class_init = base ? NodeClassInit : nullptr;
    info.instance_size = sizeof(Node);
    const GType type = g_type_register_static(parent, name, &info, GTypeFlags{});
    for (const Interface &added : interfaces) {
        GInterfaceInfo interfaceInfo{added.init, nullptr, nullptr};
        g_type_add_interface_static(type, added.type(), &interfaceInfo);
    }
    return type;
}

} // namespace

NodeData &DataOf(AtkObject *object)
{
    return *reinterpret_cast<Node *>(object)->data;
}

GType NodeType()
{
    static const GType type = Register(ATK_TYPE_OBJECT, "ZahlixAccessible", {}, true);
    return type;
}
GType ApplicationType()
{
    static const GType type = Register(NodeType(), "ZahlixAccessibleApplication", {});
    return type;
}
GType DialogType()
{
    static const GType type = Register(NodeType(), "ZahlixAccessibleDialog",
                                       {{atk_component_get_type, AddComponent}, {atk_window_get_type, AddWindow}});
    return type;
}
GType ControlType()
{
    static const GType type = Register(NodeType(), "ZahlixAccessibleControl", {{atk_component_get_type, AddComponent}});
    return type;
}
GType FieldType()
{
    static const GType type = Register(ControlType(), "ZahlixAccessibleField",
                                       {{atk_text_get_type, AddText}, {atk_editable_text_get_type, AddEditableText}});
    return type;
}
GType MenuWindowType()
{
    static const GType type = Register(NodeType(), "ZahlixAccessibleMenuWindow",
                                       {{atk_component_get_type, AddComponent}, {atk_window_get_type, AddWindow}});
    return type;
}
GType MenuType()
{
    static const GType type = Register(NodeType(), "ZahlixAccessibleMenu", {{atk_component_get_type, AddComponent}});
    return type;
}
GType MenuItemType()
{
    static const GType type =
        Register(NodeType(), "ZahlixAccessibleMenuItem", {{atk_component_get_type, AddComponent}});
    return type;
}

AtkObject *NewNode(NodeKind kind, HWND hwnd, AtkObject *parent, int index)
{
    constexpr std::array<std::pair<NodeKind, GType (*)()>, 7> kTypes{{
        {NodeKind::Application, ApplicationType},
        {NodeKind::Dialog, DialogType},
        {NodeKind::Control, ControlType},
        {NodeKind::Field, FieldType},
        {NodeKind::MenuWindow, MenuWindowType},
        {NodeKind::Menu, MenuType},
        {NodeKind::MenuItem, MenuItemType},
    }};
    const auto *row = std::find_if(kTypes.begin(), kTypes.end(), [kind](const auto &r) { return r.first == kind; });
    auto *object = ATK_OBJECT(g_object_new(row->second(), nullptr));
    auto *data = new NodeData;
    data->kind = kind;
    data->hwnd = hwnd;
    data->index = index;
    reinterpret_cast<Node *>(object)->data = data;
    atk_object_initialize(object, nullptr);
    if (parent != nullptr)
        atk_object_set_parent(object, parent);
    return object;
}

bool Alive(AtkObject *object)
{
    const NodeData *data = reinterpret_cast<Node *>(object)->data;
    return data != nullptr && !data->defunct && (data->kind == NodeKind::Application || !TheTree().ended);
}

std::string WithoutMnemonic(std::string_view text)
{
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        else if (text[i] == '&')
            continue;
        plain.push_back(text[i]);
    }
    return plain;
}

HWND LabelOf(HWND field)
{
    HWND best = nullptr;
    HWND dialog = field->parent;
    if (dialog == nullptr)
        return nullptr;
    for (const auto &child : dialog->children) {
        const HWND__ &c = *child;
        const int middle = c.y + c.cy / 2;
        const bool onRow = middle >= field->y && middle < field->y + field->cy;
        const bool leftOf = c.x + c.cx <= field->x;
        if (c.kind == WindowKind::Static && onRow && leftOf && (best == nullptr || c.x + c.cx > best->x + best->cx))
            best = child.get();
    }
    return best;
}

} // namespace a11y
