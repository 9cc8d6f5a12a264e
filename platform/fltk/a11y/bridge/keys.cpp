// ATK's key-event listeners: the AT-SPI bridge registers one and asks the screen reader, through
// the registry, whether it takes each key. The host hands every key here before the dialog
// manager and the widgets see it, as GTK does.
#include "platform/fltk/a11y/bridge/keys.h"

#include <algorithm>
#include <vector>

namespace a11y {

namespace {

struct Listener {
    guint id;
    AtkKeySnoopFunc function;
    gpointer data;
};

std::vector<Listener> &Listeners()
{
    static std::vector<Listener> listeners;
    return listeners;
}

void (*g_onListening)();

gboolean CallListening(gpointer /*data*/)
{
    g_onListening();
    return G_SOURCE_REMOVE;
}

guint AddKeyEventListener(AtkKeySnoopFunc function, gpointer data)
{
    static guint lastId = 0;
    if (function == nullptr)
        return 0;
    Listeners().push_back({++lastId, function, data});
    // The bridge adds its key listener with its other listeners, once a client listens to the
    // program: from then on the program's events reach the screen reader. The rest of that
    // registration is done by the time an idle callback runs.
    if (lastId == 1 && g_onListening != nullptr)
        g_idle_add(CallListening, nullptr);
    return lastId;
}

void RemoveKeyEventListener(guint id)
{
    auto &listeners = Listeners();
    listeners.erase(std::remove_if(listeners.begin(), listeners.end(), [id](const Listener &l) { return l.id == id; }),
                    listeners.end());
}

} // namespace

void InitKeyListeners(AtkUtilClass *util, void (*onListening)())
{
    g_onListening = onListening;
    util->add_key_event_listener = AddKeyEventListener;
    util->remove_key_event_listener = RemoveKeyEventListener;
}

// The key's string as GTK gives it: the typed text when it is a visible character or comes with
// Control, the keysym's name otherwise ("Tab", "space", "KP_Subtract").
bool DeliverKey(const a11yabi::KeyEvent &key)
{
    constexpr unsigned kControlMask = 1U << 2U;
    const bool typed =
        !key.text.empty() && ((key.state & kControlMask) != 0 ||
                              g_unichar_isgraph(g_utf8_get_char_validated(key.text.c_str(), -1)) != FALSE);
    std::string string = typed ? key.text : key.name;
    AtkKeyEventStruct event{};
    event.type = key.press ? ATK_KEY_EVENT_PRESS : ATK_KEY_EVENT_RELEASE;
    event.state = key.state;
    event.keyval = key.keysym;
    event.length = static_cast<gint>(string.size());
    event.string = string.data();
    event.keycode = static_cast<guint16>(key.keycode);
    event.timestamp = static_cast<guint32>(key.timestamp);
    // A listener may remove itself or add another while it runs: call those present now.
    const std::vector<Listener> listeners = Listeners();
    bool consumed = false;
    for (const Listener &listener : listeners)
        consumed = listener.function(&event, listener.data) != 0 || consumed;
    return consumed;
}

} // namespace a11y
