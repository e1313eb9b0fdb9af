#pragma once

#include "../PanelWindowHints.h"

#include <xcb/xcb.h>

// The panel's hints on an X11 display, written with xcb on Qt's connection:
// _NET_WM_DESKTOP all desktops, _NET_WM_STATE sticky / skip taskbar / skip
// pager / above, WM_HINTS input false, and WM_TAKE_FOCUS removed from
// WM_PROTOCOLS so that no window manager hands the panel the focus.
class X11PanelHints : public PanelWindowHints
{
public:
    // Null when the application does not run on X11.
    explicit X11PanelHints(xcb_connection_t *connection);

    void applyPanelHints(QWindow &window) override;
    bool hasCompositor() override;

private:
    xcb_atom_t atom(const char *name);

    xcb_connection_t *m_connection;
};
