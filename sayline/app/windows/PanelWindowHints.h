#pragma once

#include <QWindow>

#include <memory>

// Window-system hints of the floating panel that Qt's window flags do not
// cover. Applied after the native window exists and before it is first shown.
class PanelWindowHints
{
public:
    virtual ~PanelWindowHints() = default;

    // Shown on every workspace, left out of taskbars and pagers, and never
    // given the keyboard focus by the window manager.
    virtual void applyPanelHints(QWindow &window) = 0;
    // Whether a compositing manager blends translucent windows; without one
    // the panel clips itself to its rounded shape instead.
    virtual bool hasCompositor() = 0;

    // Window flags the panel needs on top of its own, set before the native
    // window is created.
    virtual Qt::WindowFlags extraWindowFlags() const { return {}; }

    // How the panel lives on the X display: managed by the X11 session's
    // window manager, or unmanaged (override-redirect) on XWayland, where the
    // Wayland compositor would hand a managed X window the keyboard focus.
    enum class Placement { managed, unmanaged };

    // The adapter of the running window system (does nothing where it has no work).
    static std::unique_ptr<PanelWindowHints> platformHints(Placement placement = Placement::managed);
};
