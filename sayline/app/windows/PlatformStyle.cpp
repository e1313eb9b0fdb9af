#include "PlatformStyle.h"

#include <QGuiApplication>

namespace {
constexpr double bodyPoints = 13.0;

double bodyPixelSize()
{
    const QFont base = QGuiApplication::font();
    if (base.pixelSize() > 0)
        return base.pixelSize();
    // Points to pixels at the logical 96 dpi Qt Quick lays out in.
    return base.pointSizeF() * 96.0 / 72.0;
}
} // namespace

QFont PlatformStyle::scaled(double points, QFont::Weight weight)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(qMax(1, qRound(bodyPixelSize() * points / bodyPoints)));
    font.setWeight(weight);
    return font;
}

QFont PlatformStyle::body() { return scaled(13); }
QFont PlatformStyle::headline() { return scaled(13, QFont::Bold); }
QFont PlatformStyle::callout() { return scaled(12); }
QFont PlatformStyle::footnote() { return scaled(10); }

QFont PlatformStyle::font(double points, bool bold)
{
    return scaled(points, bold ? QFont::Bold : QFont::Normal);
}
