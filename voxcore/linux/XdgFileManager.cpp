// The user's caches folder after the XDG base directory rules, and file removal.

#include "platform/FileManager.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

fs::path cachesFolder()
{
    fs::path base;
    if (const char *cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/')
        base = cache;
    else if (const char *home = std::getenv("HOME"); home && *home)
        base = fs::path(home) / ".cache";
    else
        base = fs::temp_directory_path();
    return base / "Sayline";
}

class XdgFileManager : public FileManager
{
public:
    QUrl cachesDirectory() override
    {
        const fs::path folder = cachesFolder();
        std::error_code error;
        // A folder that cannot be made shows up as a clear error when the file inside is created.
        fs::create_directories(folder, error);
        return QUrl::fromLocalFile(QString::fromStdString(folder.string()));
    }

    std::optional<QString> removeItem(const QUrl &url) override
    {
        if (!url.isLocalFile())
            return QStringLiteral("Not a local file: %1").arg(url.toString());
        std::error_code error;
        if (!fs::remove(fs::path(url.toLocalFile().toStdString()), error)) {
            if (!error)
                error = std::make_error_code(std::errc::no_such_file_or_directory);
            return QStringLiteral("Cannot remove %1: %2")
                .arg(url.toLocalFile(), QString::fromStdString(error.message()));
        }
        return std::nullopt;
    }
};

} // namespace

std::shared_ptr<FileManager> defaultFileManager()
{
    return std::make_shared<XdgFileManager>();
}
