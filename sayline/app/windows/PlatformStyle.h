#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// Fonts by role and the named colours of Sayline's views, for QML.
//
// The body role is the desktop's default font; the others are scaled from it
// in the proportions of the classic desktop type ramp (body 13, headline 13
// bold, callout 12, footnote 10).
class PlatformStyle : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QFont body READ body CONSTANT)
    Q_PROPERTY(QFont headline READ headline CONSTANT)
    Q_PROPERTY(QFont callout READ callout CONSTANT)
    Q_PROPERTY(QFont footnote READ footnote CONSTANT)
    Q_PROPERTY(QColor primaryLabel READ primaryLabel CONSTANT)
    Q_PROPERTY(QColor secondaryLabel READ secondaryLabel CONSTANT)
    Q_PROPERTY(QColor systemBlue READ systemBlue CONSTANT)
    Q_PROPERTY(QColor systemRed READ systemRed CONSTANT)
    Q_PROPERTY(QColor unemphasizedSelectedContentBackground READ unemphasizedSelectedContentBackground CONSTANT)
    Q_PROPERTY(QColor panelMaterial READ panelMaterial CONSTANT)
    Q_PROPERTY(QColor panelBorder READ panelBorder CONSTANT)
public:
    using QObject::QObject;

    static QFont body();
    static QFont headline();
    static QFont callout();
    static QFont footnote();
    // A body-derived font of `points` on the 13-point ramp, at `weight`.
    static QFont scaled(double points, QFont::Weight weight = QFont::Normal);

    static QColor primaryLabel() { return QColor::fromRgbF(0, 0, 0, 0.85f); }
    static QColor secondaryLabel() { return QColor::fromRgbF(0, 0, 0, 0.5f); }
    static QColor systemBlue() { return QColor(0x00, 0x7A, 0xFF); }
    static QColor systemRed() { return QColor(0xFF, 0x3B, 0x30); }
    static QColor unemphasizedSelectedContentBackground() { return QColor(0xDC, 0xDC, 0xDC); }
    // The panel's background: near-opaque so it reads well with or without a compositor.
    static QColor panelMaterial() { return QColor::fromRgbF(0.965f, 0.965f, 0.965f, 0.97f); }
    static QColor panelBorder() { return QColor::fromRgbF(0, 0, 0, 0.14f); }

    Q_INVOKABLE static QFont font(double points, bool bold);
};
