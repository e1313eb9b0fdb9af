#pragma once

#include <QPointF>
#include <QRectF>

class QScreen;
class QWindow;

// Conversion between Qt's screen coordinates (origin top-left, y downwards) and
// the window manager's convention: origin at the bottom-left corner of the
// primary screen, y upwards, a window's origin being its bottom-left corner.
class ScreenSpace
{
public:
    // The screen that holds the default panel position; null without screens.
    static QScreen *mainScreen();
    // The screen's available area (without panels and docks), bottom-left based.
    static QRectF visibleFrame(const QScreen &screen);
    static QRectF fromQt(const QRectF &rect);
    static QRectF toQt(const QRectF &rect);

    static QPointF frameOrigin(const QWindow &window);
    static void setFrameOrigin(QWindow &window, QPointF origin);

    // Half-open containment: min <= p < max on both axes.
    static bool contains(const QRectF &rect, QPointF point);
};
