#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

// The four stroked layers of the live waveform for one frame. The QML view
// sets `amplitude` (already boosted for low views) and `phase` every frame.
class MultiWave : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(double amplitude READ amplitude WRITE setAmplitude NOTIFY amplitudeChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(double phase READ phase WRITE setPhase NOTIFY phaseChanged)
public:
    explicit MultiWave(QQuickItem *parent = nullptr);

    double amplitude() const { return m_amplitude; }
    void setAmplitude(double amplitude);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    double phase() const { return m_phase; }
    void setPhase(double phase);

    void paint(QPainter *painter) override;

    // The waveform's phase at the current wall-clock time.
    Q_INVOKABLE static double wallClockPhase();
    Q_INVOKABLE static double scaledAmplitude(double amplitude, double viewHeight);

signals:
    void amplitudeChanged();
    void colorChanged();
    void phaseChanged();

private:
    double m_amplitude = 0;
    QColor m_color = Qt::blue;
    double m_phase = 0;
};
