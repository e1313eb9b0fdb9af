#include "JsonFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace JsonFile {

std::optional<QString> writeAtomically(const QString &path, const QByteArray &bytes,
                                       std::optional<QFileDevice::Permissions> permissions)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    // Unbuffered, so that write() reports what reached the file: QSaveFile
    // ignores a failure while flushing its buffer and commits what got through.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    // Set on the temporary file, before any content reaches it.
    if (permissions && !file.setPermissions(*permissions))
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    // A short write (disk full, file size limit) is no error to QSaveFile either,
    // which would put the cut-off text in place of the whole old file. Not
    // committed, the temporary file goes away with `file`.
    if (file.write(bytes) != bytes.size())
        return QStringLiteral("cannot write %1: only part of it fits").arg(path);
    if (!file.commit())
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return std::nullopt;
}

std::optional<QString> moveAside(const QString &path)
{
    const QString aside = path + QStringLiteral(".corrupt");
    QFile::remove(aside);
    if (!QFile::rename(path, aside))
        return std::nullopt;
    return aside;
}

} // namespace JsonFile
