// The plug-in's entry: builds the tree of accessible objects, makes this process an ATK toolkit
// (the root, its names and the key listeners), starts ATK's AT-SPI bridge, announces the dialog
// that is already shown, and runs GLib's default main context in slices for the host's event
// loop.
#include "platform/fltk/a11y/bridge/events.h"
#include "platform/fltk/a11y/bridge/keys.h"
#include "platform/fltk/a11y/bridge/nodes.h"

#include <atk-bridge.h>

namespace a11y {

namespace {

AtkObject *GetRoot()
{
    return TheTree().application;
}

const gchar *GetToolkitName()
{
    return "FLTK";
}

const gchar *GetToolkitVersion()
{
    return "1.3";
}

// One slice of GLib's main loop, in the steps that an external loop takes: prepare, query,
// poll without waiting, check and dispatch, until nothing is ready. What was last queried is
// what the host waits on.
void Pump(std::vector<a11yabi::PollFd> *wait, int *timeoutMs)
{
    constexpr int kMostRounds = 32;
    static std::vector<GPollFD> fds(8);
    GMainContext *context = g_main_context_default();
    gint timeout = -1;
    gint count = 0;
    bool busy = true;
    for (int round = 0; round < kMostRounds && busy; ++round) {
        gint priority = 0;
        g_main_context_prepare(context, &priority);
        while ((count = g_main_context_query(context, priority, &timeout, fds.data(), static_cast<gint>(fds.size()))) >
               static_cast<gint>(fds.size()))
            fds.resize(static_cast<std::size_t>(count));
        g_poll(fds.data(), static_cast<guint>(count), 0);
        busy = g_main_context_check(context, priority, fds.data(), count) != FALSE;
        if (busy)
            g_main_context_dispatch(context);
    }
    wait->clear();
    for (gint i = 0; i < count; ++i)
        wait->push_back(
            {fds[static_cast<std::size_t>(i)].fd, static_cast<short>(fds[static_cast<std::size_t>(i)].events)});
    *timeoutMs = busy ? 0 : timeout;
}

} // namespace

} // namespace a11y

extern "C" __attribute__((visibility("default"))) bool zahlix_accessibility_start(const a11yabi::Host *host,
                                                                                  a11yabi::Bridge *bridge)
{
    using namespace a11y;
    Tree &tree = TheTree();
    if (tree.host != nullptr || host == nullptr || host->dialog == nullptr || bridge == nullptr)
        return false;
    tree.host = host;
    tree.focus = host->Focused();
    tree.active = host->Active();
    BuildTree();

    // The class stays referenced for the life of the process: ATK asks it for the root.
    auto *util = static_cast<AtkUtilClass *>(g_type_class_ref(ATK_TYPE_UTIL));
    util->get_root = GetRoot;
    util->get_toolkit_name = GetToolkitName;
    util->get_toolkit_version = GetToolkitVersion;
    // Before the bridge starts, which registers its key listener here; the dialog is announced
    // once the bridge sends events.
    InitKeyListeners(util, AnnounceStart);

    // The bridge runs on the default main context, which this thread owns from now on.
    g_main_context_acquire(g_main_context_default());
    if (atk_bridge_adaptor_init(nullptr, nullptr) != 0) {
        tree.ended = true;
        return false;
    }
    ConnectEvents(bridge);
    bridge->Pump = Pump;
    return true;
}
