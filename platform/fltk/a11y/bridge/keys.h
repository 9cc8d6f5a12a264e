// The screen reader's key listeners: ATK's add_key_event_listener and remove_key_event_listener,
// and the delivery of each key of the window to them.
#ifndef ZAHLIX_PLATFORM_FLTK_A11Y_BRIDGE_KEYS_H
#define ZAHLIX_PLATFORM_FLTK_A11Y_BRIDGE_KEYS_H

#include "platform/fltk/a11y/bridge/bridge_abi.h"

#include <atk/atk.h>

namespace a11y {

// Makes ATK's listener calls this process's own. `onListening` runs, from GLib's main context,
// after the first listener came: the AT-SPI bridge sends events from then on.
void InitKeyListeners(AtkUtilClass *util, void (*onListening)());

// Hands the key to every listener; true when one of them consumed it.
bool DeliverKey(const a11yabi::KeyEvent &key);

} // namespace a11y

#endif
