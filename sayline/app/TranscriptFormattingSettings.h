#pragma once

#include <voxcore/TranscriptFormatting.h>

#include <QList>
#include <QString>

class SpeechRecognitionManager;
class UserDefaults;

// The user's choices for how dictated words are written, kept in the user defaults:
//   "spokenPunctuation", "automaticCapitals", "numbersAsDigits"  Booleans, true when absent
//   "textReplacements"  text holding a JSON array of {"spoken": ..., "written": ...} objects
namespace TranscriptFormattingSettings {

inline constexpr const char *spokenPunctuationKey = "spokenPunctuation";
inline constexpr const char *capitalsKey = "automaticCapitals";
inline constexpr const char *numbersKey = "numbersAsDigits";
inline constexpr const char *replacementsKey = "textReplacements";

// The replacements of the stored text. An entry that is not an object with a non-empty
// "spoken" text and a "written" text is left out with a log line; text that is no JSON
// array gives none, also with a log line.
QList<TextReplacement> decodeReplacements(const QString &json);
QString encodeReplacements(const QList<TextReplacement> &replacements);

TranscriptFormatting stored(const UserDefaults &defaults);

// Hands the stored choices to the manager now and after every change of them, for its next
// transcription.
void follow(SpeechRecognitionManager &manager, UserDefaults &defaults);

} // namespace TranscriptFormattingSettings
