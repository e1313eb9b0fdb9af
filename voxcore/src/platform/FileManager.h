#pragma once

// Seam: the user's folders and file removal.
//
// What the logic relies on:
//  - cachesDirectory(): URL of the user's caches folder for this program (created when missing).
//  - removeItem(url): deletes the file; returns an error description on failure.

#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class FileManager
{
public:
    virtual ~FileManager() = default;
    virtual QUrl cachesDirectory() = 0;
    virtual std::optional<QString> removeItem(const QUrl &url) = 0;
};

// The system's file manager (defined by the platform adapter).
std::shared_ptr<FileManager> defaultFileManager();
