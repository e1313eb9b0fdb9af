#pragma once

#include <QString>

#include <exception>
#include <optional>
#include <stdexcept>

// An error reported by a platform service (recognizer, audio engine, audio file), carried
// by its human-readable description.
class PlatformError : public std::runtime_error
{
public:
    explicit PlatformError(const QString &description);
    const QString &localizedDescription() const { return m_description; }

private:
    QString m_description;
};

// The human-readable description of any error: errorDescription of the library's own
// errors, the description of a PlatformError, what() of anything else.
QString localizedDescription(const std::exception &error);
QString localizedDescription(const std::exception_ptr &error);

// Failures of speech recognition. Thrown by the providers' operations and carried by the
// end of a transcript stream; the manager turns them into its errorMessage text.
class SpeechRecognitionError : public std::exception
{
public:
    enum class Case { recognitionFailed, audioEngineError, unavailable, unauthorized, missingStream };

    static SpeechRecognitionError recognitionFailed(std::exception_ptr underlying);
    static SpeechRecognitionError audioEngineError(std::exception_ptr underlying);
    static SpeechRecognitionError unavailable();
    static SpeechRecognitionError unauthorized();
    static SpeechRecognitionError missingStream();

    Case kind() const { return m_case; }
    // The error that recognitionFailed and audioEngineError carry; null for the other cases.
    std::exception_ptr underlyingError() const { return m_underlying; }

    // Present for every case.
    std::optional<QString> errorDescription() const { return m_description; }
    std::optional<QString> failureReason() const { return std::nullopt; }
    std::optional<QString> recoverySuggestion() const { return std::nullopt; }
    std::optional<QString> helpAnchor() const { return std::nullopt; }

    const char *what() const noexcept override { return m_what.constData(); }

private:
    SpeechRecognitionError(Case kind, std::exception_ptr underlying, QString description);

    Case m_case;
    std::exception_ptr m_underlying;
    QString m_description;
    QByteArray m_what;
};
