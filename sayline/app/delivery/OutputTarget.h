#pragma once

#include <QList>
#include <QString>

#include <array>
#include <optional>

// Where a finished transcript goes. Stored and exchanged as the raw value
// strings "pasteboard" and "autoInsert".
enum class OutputTarget {
    pasteboard, // replace the clipboard with the transcript as plain text
    autoInsert, // type the transcript into the focused window
};

// Every target in declaration order (the settings page lists them so).
inline constexpr std::array<OutputTarget, 2> allOutputTargets{OutputTarget::pasteboard, OutputTarget::autoInsert};

QString rawValue(OutputTarget target);

// Accepts exactly "pasteboard" and "autoInsert" (case-sensitive).
template <typename Enum>
std::optional<Enum> fromRawValue(const QString &rawValue);
template <>
std::optional<OutputTarget> fromRawValue<OutputTarget>(const QString &rawValue);

// The persisted form: the UTF-8 text of a JSON array of raw values, in list
// order, e.g. ["pasteboard","autoInsert"].
QByteArray encodeOutputTargets(const QList<OutputTarget> &targets);
// nullopt when the text is not a JSON array of raw value strings.
std::optional<QList<OutputTarget>> decodeOutputTargets(const QByteArray &utf8Json);
