#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <optional>

// Whole-file storage for small JSON documents (the defaults, the dictation
// history): written atomically so that a crash or a full disk leaves either the
// old or the new file, never a mix, and a damaged file moved aside rather than
// overwritten.
namespace JsonFile {

// Writes `bytes` to a temporary file beside `path` and renames it over `path`,
// creating the folder first. With `permissions` the new file gets exactly
// those. The error text on failure, none on success.
std::optional<QString> writeAtomically(const QString &path, const QByteArray &bytes,
                                       std::optional<QFileDevice::Permissions> permissions = std::nullopt);

// Moves a file that cannot be read as what it should be to `path` + ".corrupt"
// (replacing an older one). The new path, or none when it cannot be moved.
std::optional<QString> moveAside(const QString &path);

} // namespace JsonFile
