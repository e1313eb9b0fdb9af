#pragma once

#include <QList>
#include <QString>

#include <optional>

// One input of the sound server (a microphone, a line in, the monitor of an output): the
// name the server knows it by, and the description to show.
struct AudioInput
{
    QString name;
    QString description;
    friend bool operator==(const AudioInput &, const AudioInput &) = default;
};

// The sound server's inputs now; nothing when the server cannot be reached.
std::optional<QList<AudioInput>> audioInputs();
