#include "ScreenSpace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace {
// The y (in Qt coordinates) of the primary screen's lower edge: the line y = 0
// of the bottom-left convention.
double baseline()
{
    const QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return 0;
    const QRect g = primary->geometry();
    return g.y() + g.height();
}
} // namespace

QScreen *ScreenSpace::mainScreen()
{
    return QGuiApplication::primaryScreen();
}

QRectF ScreenSpace::fromQt(const QRectF &rect)
{
    return QRectF(rect.x(), baseline() - (rect.y() + rect.height()), rect.width(), rect.height());
}

QRectF ScreenSpace::toQt(const QRectF &rect)
{
    // The conversion is its own inverse.
    return fromQt(rect);
}

QRectF ScreenSpace::visibleFrame(const QScreen &screen)
{
    return fromQt(QRectF(screen.availableGeometry()));
}

QPointF ScreenSpace::frameOrigin(const QWindow &window)
{
    return fromQt(QRectF(window.geometry())).topLeft();
}

void ScreenSpace::setFrameOrigin(QWindow &window, QPointF origin)
{
    const QRectF target = toQt(QRectF(origin, QSizeF(window.width(), window.height())));
    window.setPosition(qRound(target.x()), qRound(target.y()));
}

bool ScreenSpace::contains(const QRectF &rect, QPointF p)
{
    return p.x() >= rect.left() && p.x() < rect.left() + rect.width()
        && p.y() >= rect.top() && p.y() < rect.top() + rect.height();
}
