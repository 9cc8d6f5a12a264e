// The bridge's events: emitted where the host reports that the window changed.
#ifndef ZAHLIX_PLATFORM_FLTK_A11Y_BRIDGE_EVENTS_H
#define ZAHLIX_PLATFORM_FLTK_A11Y_BRIDGE_EVENTS_H

#include "platform/fltk/a11y/bridge/bridge_abi.h"

namespace a11y {

// Fills the bridge's table of event functions for the host.
void ConnectEvents(a11yabi::Bridge *bridge);

// What a GTK dialog sends as it appears with the keyboard: the window's activation, then the
// focus of the control that has it. For a bridge that starts under a dialog already shown.
void AnnounceStart();

} // namespace a11y

#endif
