#pragma once

#include <QList>

// The level display shared by the speech and recording managers: a window of the most recent
// input levels and the displayed amplitude with its resting floor.
namespace LevelWindow {

constexpr double defaultAmplitude = 0.15;
constexpr qsizetype maxNormalizedSamples = 100;

// Appends a level; when the window then holds more than the maximum, drops the oldest
// entries in one step. Returns whether it trimmed.
inline bool append(QList<float> &window, float level)
{
    window.append(level);
    if (window.size() <= maxNormalizedSamples)
        return false;
    window.remove(0, window.size() - maxNormalizedSamples);
    return true;
}

// The amplitude shown for a level: the level itself, but never below the resting level.
inline double displayedAmplitude(float level)
{
    return double(level) > defaultAmplitude ? double(level) : defaultAmplitude;
}

// The level update of a manager: the level joins the window (one notification, two when the
// window was trimmed) and becomes the displayed amplitude. The view eases toward it.
template<typename Manager>
void apply(Manager &manager, QList<float> &window, float level)
{
    const bool trimmed = append(window, level);
    emit manager.normalizedSamplesChanged();
    if (trimmed)
        emit manager.normalizedSamplesChanged();
    manager.setCurrentAmplitude(displayedAmplitude(level));
}

} // namespace LevelWindow
