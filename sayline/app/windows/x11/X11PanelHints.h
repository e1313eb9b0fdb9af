#pragma once

#include "../PanelWindowHints.h"

#include <xcb/xcb.h>

// The panel's hints on an X11 display, written with xcb on Qt's connection:
// _NET_WM_DESKTOP all desktops, _NET_WM_STATE sticky / skip taskbar / skip
// pager / above, WM_HINTS input false, and WM_TAKE_FOCUS removed from
// WM_PROTOCOLS so that no window manager hands the panel the focus.
//
// Unmanaged (on XWayland) the panel also bypasses the window manager: the
// compositor then shows it above every window on every workspace, where Qt
// places it, and never gives it the keyboard focus (a utility window that is
// override-redirect does not ask for it).
class X11PanelHints : public PanelWindowHints
{
public:
    // Null when the application does not run on X11.
    explicit X11PanelHints(xcb_connection_t *connection, Placement placement = Placement::managed);

    void applyPanelHints(QWindow &window) override;
    bool hasCompositor() override;
    Qt::WindowFlags extraWindowFlags() const override;

private:
    xcb_atom_t atom(const char *name);

    xcb_connection_t *m_connection;
    Placement m_placement;
};
