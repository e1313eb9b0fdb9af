#pragma once

#include <voxcore/Locale.h>

#include <QString>

#include <optional>

// The user's voice profiles: one per recognition language, in
// $XDG_DATA_HOME/Sayline/voices/<language>/ (a folder only the user may enter). It holds
//   model        a link to the current adapted acoustic model (replaced atomically),
//   recordings/  the read prompts the profile was trained on (kept for retraining),
//   disabled     present while the user has switched the profile off.
// A profile is used for recognition of its language when its model exists and it is not
// switched off.
namespace voiceProfiles {

QString folder(const Locale &locale);
QString recordingsFolder(const Locale &locale);
bool exists(const Locale &locale);
bool isEnabled(const Locale &locale);
// An error text when the setting could not be stored.
std::optional<QString> setEnabled(const Locale &locale, bool enabled);
// The acoustic model to recognize with: the profile's, when it exists and is enabled.
std::optional<QString> activeModel(const Locale &locale);
// Deletes the profile with its recordings; an error text when something stayed.
std::optional<QString> remove(const Locale &locale);

// A new, empty folder inside the language's profile folder to build a model in (with 0700
// permissions up the way). Leftovers of trainings that never finished are removed first.
// An error text when it cannot be made.
std::optional<QString> makeTrainingFolder(const Locale &locale, QString &created);
// Makes the complete model in `built` (a folder made by makeTrainingFolder) the profile's
// model in one atomic step: the previous model stays whole until then and is removed after.
std::optional<QString> install(const Locale &locale, const QString &built);

} // namespace voiceProfiles
