#include "MultiWave.h"

#include "Wave.h"

#include <QDateTime>
#include <QPainter>
#include <QPen>

MultiWave::MultiWave(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

void MultiWave::setAmplitude(double amplitude)
{
    if (amplitude == m_amplitude)
        return;
    m_amplitude = amplitude;
    emit amplitudeChanged();
    update();
}

void MultiWave::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    emit colorChanged();
    update();
}

void MultiWave::setPhase(double phase)
{
    if (phase == m_phase)
        return;
    m_phase = phase;
    emit phaseChanged();
    update();
}

void MultiWave::paint(QPainter *painter)
{
    painter->setRenderHint(QPainter::Antialiasing);
    const QSizeF size(width(), height());
    for (const WaveLayer &layer : WaveMath::layers(m_amplitude)) {
        QColor stroke = m_color;
        stroke.setAlphaF(float(stroke.alphaF() * layer.opacity));
        QPen pen(stroke, layer.lineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        const Wave wave{1.5, 2.0, m_phase, layer.normedAmplitude};
        painter->drawPath(wave.path(size));
    }
}

double MultiWave::wallClockPhase()
{
    return WaveMath::phaseAtUnixTime(QDateTime::currentMSecsSinceEpoch() / 1000.0);
}

double MultiWave::scaledAmplitude(double amplitude, double viewHeight)
{
    return WaveMath::scaledAmplitude(amplitude, viewHeight);
}
