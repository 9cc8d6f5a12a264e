// A top-level window placed as the dialog manager places a DS_CENTER dialog: the whole window,
// frame included, in the middle of the work area. The frame belongs to the window manager, which
// tells its size (EWMH _NET_FRAME_EXTENTS) when asked before the window is mapped.
#ifndef ZAHLIX_PLATFORM_FLTK_X11_WINDOW_FRAME_H
#define ZAHLIX_PLATFORM_FLTK_X11_WINDOW_FRAME_H

#include "platform/fltk/dialog_units.h"
#include "platform/fltk/x11/window_icon.h"

#include <X11/Xlib.h>

#include <chrono>
#include <optional>

class Fl_Window;

namespace fltkhost {

// The widths of the window manager's frame on each side of the client area, in pixels.
struct FrameExtents {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
    bool operator==(const FrameExtents &) const = default;
};

// How the window came to be where it is.
struct Placement {
    bool asked = false;                       // the window manager offers the frame's extents and was asked
    std::optional<FrameExtents> frame;        // its answer, when it came in time
    std::chrono::microseconds waited{};       // the time that the start waited for the answer
    std::chrono::microseconds sinceRequest{}; // from the request until the answer was taken, or given up
};

// The frame's extents asked for, not yet answered.
struct FrameRequest {
    bool asked = false;
    Atom property = 0;   // _NET_FRAME_EXTENTS
    Atom motifHints = 0; // _MOTIF_WM_HINTS
    std::chrono::steady_clock::time_point sent;
};

struct PixelPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PixelPoint &) const = default;
};

// The client area's origin that puts a client area of w x h with the frame around it in the middle
// of the work area. A window larger than the work area keeps its frame's top left corner in it, so
// that the title bar stays within reach.
PixelPoint CentredOrigin(const PixelRect &workArea, int w, int h, const FrameExtents &frame);

// The longest wait for the window manager's answer: a window manager that answers does so within
// a few milliseconds; one that lists the request and never answers costs no more than this.
inline constexpr std::chrono::milliseconds kFrameExtentsWait{10};

// Creates the X window of a top-level FLTK window that is not shown yet, without mapping it, with
// everything that FLTK gives a top-level window, the normal window type, the icon, and the frame's
// functions of a dialog (move, minimise, close: no resize, no maximise). Then, when
// the window manager lists _NET_REQUEST_FRAME_EXTENTS, asks it for the frame's extents. The frame
// depends on the window's type and on whether it can be resized, not on its size: the window must
// have its size range already, but may take its size later, while the window manager answers.
FrameRequest CreateAskingFrame(Fl_Window &window, const std::optional<IconPixels> &icon);

// Waits for the answer until `limit` after the request at most (without a request, not at all),
// and places the window so that its frame is centred in the work area: from the extents when they
// came, else by asking the window manager for CenterGravity, which centres the frame on the client
// area's centre. The caller then maps the window with FLTK's show().
Placement CentreFrame(Fl_Window &window, const PixelRect &workArea, const FrameRequest &request,
                      std::chrono::milliseconds limit = kFrameExtentsWait);

// How long after the window manager has mapped the window it may still change the frame: a user
// does not move a window that soon after it appears.
inline constexpr std::chrono::milliseconds kFrameSettles{1000};

// Keeps the window's frame centred while the window manager settles it: some draw another frame
// than they told before the map (mutter's frames client makes it only then; fluxbox drops the
// handle of a window that cannot be resized), and some tell it only after the wait. A frame of
// other extents, until kFrameSettles after the window manager has mapped the window, puts the
// window again, five times at most; later ones leave it where it is, as do all once the window
// manager has given the window another size (maximised it, as fluxbox does on a taskbar's request).
void KeepCentredOnItsFrame(const Fl_Window &window, const PixelRect &workArea, const Placement &placement);

// Gives the shown window's icon its enlargements, twice and four times its size, which a scaled
// taskbar shows sharp: some 86 KB that the window manager reads, which cost the start nothing
// once the window shows.
void EnlargeIcon(const Fl_Window &window, const IconPixels &icon);

} // namespace fltkhost

#endif
