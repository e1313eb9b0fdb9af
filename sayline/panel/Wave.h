#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QSizeF>

#include <array>
#include <vector>

// One curve of the live waveform: a sine of `frequency` periods across the
// width under a parabolic envelope that is zero at both edges, sampled every
// `density` pixels. Coordinates have their origin at the top-left, y down.
struct Wave
{
    double frequency = 1.5;
    double density = 2.0;
    double phase = 0.0;
    double normedAmplitude = 0.0;

    // The sampled points for a rectangle of `size`; empty when nothing can be drawn.
    std::vector<QPointF> points(QSizeF size) const;
    QPainterPath path(QSizeF size) const;
};

// The four nested layers drawn over each other, bottom layer first.
struct WaveLayer
{
    double opacity;
    double normedAmplitude;
    double lineWidth;
};

namespace WaveMath {
constexpr int layerCount = 4;
// Seconds between 1970-01-01 and 2001-01-01, the waveform clock's epoch.
constexpr double referenceDateOffset = 978307200.0;

std::array<WaveLayer, layerCount> layers(double amplitude);
// The amplitude boost for views lower than 80 pixels.
double scaledAmplitude(double amplitude, double viewHeight);
// One full turn per second of `secondsSinceReferenceDate`.
double phase(double secondsSinceReferenceDate);
// The phase of the wall-clock time `unixSeconds`.
double phaseAtUnixTime(double unixSeconds);
} // namespace WaveMath
