#include <voxcore/RecordingManager.h>

#include <QHash>

RecordingError::RecordingError(Case kind) : m_case(kind), m_what(errorDescription().value_or(QString()).toUtf8()) {}

std::optional<QString> RecordingError::errorDescription() const
{
    switch (m_case) {
    case Case::permissionDenied:
        return QStringLiteral("Microphone permission denied");
    case Case::audioEngineCreationFailed:
        return QStringLiteral("Failed to create audio engine");
    case Case::audioFileCreationFailed:
        return QStringLiteral("Failed to create audio file");
    case Case::recordingInProgress:
        return QStringLiteral("Recording already in progress");
    }
    return std::nullopt;
}

size_t qHash(RecordingState state, size_t seed) noexcept
{
    return qHash(int(state), seed);
}

size_t qHash(const RecordingError &error, size_t seed) noexcept
{
    return qHash(int(error.kind()), seed);
}
