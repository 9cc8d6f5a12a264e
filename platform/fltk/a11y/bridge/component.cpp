// AtkComponent: where each object is, as the window shows it, and moving the focus to a control.
#include "platform/fltk/a11y/bridge/nodes.h"

namespace a11y {

namespace {

// The node's rectangle in the requested coordinates. Controls lie in the dialog's client area,
// which is both their window and their parent; the dialog's parent (the application) has no
// place, so the dialog's parent coordinates are the screen's.
bool ExtentsOf(AtkObject *object, AtkCoordType coordinates, a11yabi::Rect *out)
{
    if (!Alive(object))
        return false;
    NodeData &data = DataOf(object);
    const Tree &tree = TheTree();
    if (data.kind == NodeKind::MenuWindow || data.kind == NodeKind::Menu || data.kind == NodeKind::MenuItem) {
        // Menus are windows of their own: their place is on the screen.
        a11yabi::Rect origin;
        if (coordinates != ATK_XY_SCREEN && !tree.host->Extents(tree.host->dialog, true, &origin))
            return false;
        *out = data.item.bounds;
        if (coordinates != ATK_XY_SCREEN) {
            out->x -= origin.x;
            out->y -= origin.y;
        }
        return true;
    }
    if (data.hwnd == nullptr)
        return false;
    const bool onScreen =
        coordinates == ATK_XY_SCREEN || (data.kind == NodeKind::Dialog && coordinates == ATK_XY_PARENT);
    return tree.host->Extents(data.hwnd, onScreen, out);
}

void GetExtents(AtkComponent *component, gint *x, gint *y, gint *width, gint *height, AtkCoordType coordinates)
{
    a11yabi::Rect r{-1, -1, -1, -1};
    if (!ExtentsOf(ATK_OBJECT(component), coordinates, &r))
        r = {-1, -1, -1, -1};
    if (x != nullptr)
        *x = r.x;
    if (y != nullptr)
        *y = r.y;
    if (width != nullptr)
        *width = r.w;
    if (height != nullptr)
        *height = r.h;
}

gboolean Contains(AtkComponent *component, gint x, gint y, AtkCoordType coordinates)
{
    a11yabi::Rect r;
    return static_cast<gboolean>(ExtentsOf(ATK_OBJECT(component), coordinates, &r) && x >= r.x && y >= r.y &&
                                 x < r.x + r.w && y < r.y + r.h);
}

// The showing child under a point: the last one in the template's order, as the topmost.
AtkObject *RefAccessibleAtPoint(AtkComponent *component, gint x, gint y, AtkCoordType coordinates)
{
    AtkObject *object = ATK_OBJECT(component);
    if (!Alive(object))
        return nullptr;
    const auto &children = DataOf(object).children;
    for (std::size_t i = children.size(); i-- > 0;) {
        AtkObject *child = children[i];
        AtkStateSet *states = atk_object_ref_state_set(child);
        const bool showing = atk_state_set_contains_state(states, ATK_STATE_SHOWING) != FALSE;
        g_object_unref(states);
        if (showing && ATK_IS_COMPONENT(child) && Contains(ATK_COMPONENT(child), x, y, coordinates) != FALSE)
            return ATK_OBJECT(g_object_ref(child));
    }
    return nullptr;
}

gboolean GrabFocus(AtkComponent *component)
{
    AtkObject *object = ATK_OBJECT(component);
    if (!Alive(object))
        return FALSE;
    const NodeData &data = DataOf(object);
    const bool focusable =
        data.kind == NodeKind::Field || (data.kind == NodeKind::Control && (data.hwnd->style & WS_TABSTOP) != 0 &&
                                         (data.hwnd->style & (WS_VISIBLE | WS_DISABLED)) == WS_VISIBLE);
    return static_cast<gboolean>(focusable && TheTree().host->Focus(data.hwnd));
}

AtkLayer GetLayer(AtkComponent *component)
{
    switch (DataOf(ATK_OBJECT(component)).kind) {
    case NodeKind::Dialog:
        return ATK_LAYER_WINDOW;
    case NodeKind::MenuWindow:
    case NodeKind::Menu:
    case NodeKind::MenuItem:
        return ATK_LAYER_POPUP;
    default:
        return ATK_LAYER_WIDGET;
    }
}

} // namespace

void InitComponent(AtkComponentIface *iface)
{
    iface->get_extents = GetExtents;
    iface->contains = Contains;
    iface->ref_accessible_at_point = RefAccessibleAtPoint;
    iface->grab_focus = GrabFocus;
    iface->get_layer = GetLayer;
}

} // namespace a11y
