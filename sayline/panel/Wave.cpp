#include "Wave.h"

#include <algorithm>
#include <cmath>
#include <numbers>

std::vector<QPointF> Wave::points(QSizeF size) const
{
    std::vector<QPointF> result;
    const double w = size.width();
    const double h = size.height();
    const double end = w + density;
    // A zero width would divide by zero, and a step of zero would never end.
    if (end <= 0 || density <= 0 || w <= 0)
        return result;
    const double halfWidth = w / 2;
    const double halfHeight = h / 2;
    result.reserve(std::size_t(std::ceil(end / density)) + 1);
    for (int k = 0;; ++k) {
        const double x = k * density;
        if (!(x < end))
            break;
        const double nx = (x - halfWidth) / halfWidth;
        const double envelope = 1 - nx * nx;
        const double y = halfHeight
            + halfHeight * normedAmplitude * envelope * std::sin(frequency * 2 * std::numbers::pi * x / w + phase);
        result.emplace_back(x, y);
    }
    return result;
}

QPainterPath Wave::path(QSizeF size) const
{
    QPainterPath path;
    const std::vector<QPointF> samples = points(size);
    if (samples.empty())
        return path;
    path.moveTo(samples.front());
    for (std::size_t i = 1; i < samples.size(); ++i)
        path.lineTo(samples[i]);
    return path;
}

namespace WaveMath {

std::array<WaveLayer, layerCount> layers(double amplitude)
{
    std::array<WaveLayer, layerCount> result{};
    for (int i = 0; i < layerCount; ++i) {
        const double p = 1.0 - i / 5.0;
        result[i].opacity = std::min(2 * p / 3 + 1.0 / 3, 1.0);
        result[i].normedAmplitude = std::clamp((1.5 * p - 0.8) * amplitude, 0.0, 0.5);
        result[i].lineWidth = 1.5 / (i + 1);
    }
    return result;
}

double scaledAmplitude(double amplitude, double viewHeight)
{
    if (viewHeight <= 0)
        return amplitude;
    return amplitude * std::max(80.0 / viewHeight, 1.0);
}

double phase(double t)
{
    return 2 * std::numbers::pi * (t - std::trunc(t));
}

double phaseAtUnixTime(double unixSeconds)
{
    return phase(unixSeconds - referenceDateOffset);
}

} // namespace WaveMath
