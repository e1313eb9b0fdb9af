#pragma once

#include <memory>

class QWindow;

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

    // The adapter of the running window system (does nothing where it has no work).
    static std::unique_ptr<PanelWindowHints> platformHints();
};
