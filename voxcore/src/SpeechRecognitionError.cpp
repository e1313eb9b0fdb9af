#include <voxcore/SpeechRecognitionError.h>

PlatformError::PlatformError(const QString &description)
    : std::runtime_error(description.toStdString()), m_description(description)
{
}

QString localizedDescription(const std::exception &error)
{
    if (auto *speech = dynamic_cast<const SpeechRecognitionError *>(&error))
        return speech->errorDescription().value_or(QString());
    if (auto *platform = dynamic_cast<const PlatformError *>(&error))
        return platform->localizedDescription();
    return QString::fromUtf8(error.what());
}

QString localizedDescription(const std::exception_ptr &error)
{
    if (!error)
        return {};
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &e) {
        return localizedDescription(e);
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

SpeechRecognitionError::SpeechRecognitionError(Case kind, std::exception_ptr underlying, QString description)
    : m_case(kind), m_underlying(std::move(underlying)), m_description(std::move(description)),
      m_what(m_description.toUtf8())
{
}

SpeechRecognitionError SpeechRecognitionError::recognitionFailed(std::exception_ptr underlying)
{
    const QString text = QStringLiteral("Recognition failed: ") + localizedDescription(underlying);
    return SpeechRecognitionError(Case::recognitionFailed, underlying, text);
}

SpeechRecognitionError SpeechRecognitionError::audioEngineError(std::exception_ptr underlying)
{
    const QString text = QStringLiteral("Audio engine error: ") + localizedDescription(underlying);
    return SpeechRecognitionError(Case::audioEngineError, underlying, text);
}

SpeechRecognitionError SpeechRecognitionError::unavailable()
{
    return SpeechRecognitionError(Case::unavailable, nullptr, QStringLiteral("Speech recognition is not available"));
}

SpeechRecognitionError SpeechRecognitionError::unauthorized()
{
    return SpeechRecognitionError(Case::unauthorized, nullptr, QStringLiteral("Speech recognition permission denied"));
}

SpeechRecognitionError SpeechRecognitionError::missingStream()
{
    return SpeechRecognitionError(Case::missingStream, nullptr, QStringLiteral("Missing speech recognition stream"));
}
