#include <voxcore/VoiceProfiles.h>

#include <QDateTime>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace voiceProfiles {
namespace {

const char *const kModelLink = "model";
const char *const kDisabledMarker = "disabled";
const char *const kTrainingPrefix = ".training-";
const char *const kModelPrefix = "model-";

fs::path folderPath(const Locale &locale)
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return fs::path(data.toStdString()) / "Sayline" / "voices" / locale.identifier().toStdString();
}

QString text(const fs::path &path) { return QString::fromStdString(path.string()); }

QString failure(const QString &what, const fs::path &path, const std::error_code &error)
{
    return QStringLiteral("%1 %2: %3").arg(what, text(path), QString::fromStdString(error.message()));
}

// Creates the folder and any missing parents, each readable by the user alone.
std::optional<QString> makePrivateFolder(const fs::path &path)
{
    std::error_code error;
    fs::create_directories(path, error);
    if (error)
        return failure(QStringLiteral("Cannot create"), path, error);
    fs::permissions(path, fs::perms::owner_all, error);
    if (error)
        return failure(QStringLiteral("Cannot protect"), path, error);
    return std::nullopt;
}

// The model folder the link points to, absolute; nothing when there is no model.
std::optional<fs::path> currentModel(const fs::path &profile)
{
    std::error_code error;
    const fs::path link = profile / kModelLink;
    const fs::path target = fs::read_symlink(link, error);
    if (error || !fs::is_directory(link, error))
        return std::nullopt;
    return target.is_absolute() ? target : profile / target;
}

// Trainings killed halfway and models no longer linked.
void removeLeftovers(const fs::path &profile)
{
    std::error_code error;
    const std::optional<fs::path> current = currentModel(profile);
    std::vector<fs::path> stale;
    for (const auto &entry : fs::directory_iterator(profile, error)) {
        const std::string name = entry.path().filename().string();
        const bool training = name.rfind(kTrainingPrefix, 0) == 0;
        const bool oldModel = name.rfind(kModelPrefix, 0) == 0 && (!current || entry.path() != *current);
        if (training || oldModel)
            stale.push_back(entry.path());
    }
    for (const auto &path : stale)
        fs::remove_all(path, error);
}

} // namespace

QString folder(const Locale &locale) { return text(folderPath(locale)); }

QString recordingsFolder(const Locale &locale) { return text(folderPath(locale) / "recordings"); }

bool exists(const Locale &locale) { return currentModel(folderPath(locale)).has_value(); }

bool isEnabled(const Locale &locale)
{
    std::error_code error;
    return !fs::exists(folderPath(locale) / kDisabledMarker, error);
}

std::optional<QString> setEnabled(const Locale &locale, bool enabled)
{
    const fs::path marker = folderPath(locale) / kDisabledMarker;
    std::error_code error;
    if (enabled) {
        fs::remove(marker, error);
        return error ? std::optional(failure(QStringLiteral("Cannot remove"), marker, error)) : std::nullopt;
    }
    if (auto problem = makePrivateFolder(marker.parent_path()))
        return problem;
    if (FILE *file = std::fopen(marker.c_str(), "w")) {
        std::fclose(file);
        return std::nullopt;
    }
    return QStringLiteral("Cannot create %1").arg(text(marker));
}

std::optional<QString> activeModel(const Locale &locale)
{
    if (!isEnabled(locale))
        return std::nullopt;
    if (auto model = currentModel(folderPath(locale)))
        return text(*model);
    return std::nullopt;
}

std::optional<QString> remove(const Locale &locale)
{
    const fs::path profile = folderPath(locale);
    std::error_code error;
    fs::remove_all(profile, error);
    if (error)
        return failure(QStringLiteral("Cannot delete"), profile, error);
    return std::nullopt;
}

std::optional<QString> makeTrainingFolder(const Locale &locale, QString &created)
{
    const fs::path profile = folderPath(locale);
    if (auto problem = makePrivateFolder(profile))
        return problem;
    removeLeftovers(profile);
    const fs::path training =
        profile / (kTrainingPrefix + std::to_string(QDateTime::currentMSecsSinceEpoch()));
    if (auto problem = makePrivateFolder(training))
        return problem;
    created = text(training);
    return std::nullopt;
}

std::optional<QString> install(const Locale &locale, const QString &built)
{
    const fs::path profile = folderPath(locale);
    const std::optional<fs::path> previous = currentModel(profile);
    // A unique name of its own, then a new link renamed over the old one: rename() replaces
    // the link in one step, so a reader sees the old model or the new, never neither.
    const std::string name = kModelPrefix + std::to_string(QDateTime::currentMSecsSinceEpoch());
    std::error_code error;
    fs::rename(built.toStdString(), profile / name, error);
    if (error)
        return failure(QStringLiteral("Cannot move the new model into"), profile, error);
    const fs::path newLink = profile / (std::string(kModelLink) + ".new");
    fs::remove(newLink, error);
    fs::create_directory_symlink(name, newLink, error);
    if (error)
        return failure(QStringLiteral("Cannot link"), newLink, error);
    fs::rename(newLink, profile / kModelLink, error);
    if (error)
        return failure(QStringLiteral("Cannot replace"), profile / kModelLink, error);
    if (previous && previous->filename() != name)
        fs::remove_all(*previous, error);
    return std::nullopt;
}

} // namespace voiceProfiles
