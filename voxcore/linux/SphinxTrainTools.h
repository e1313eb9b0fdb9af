#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <filesystem>

// The CMU Sphinx training programs (packages sphinxtrain, sphinxbase-utils, pocketsphinx),
// run as child processes.
namespace sphinxTrainTools {

// Where a tool is; empty when it is not installed. The sphinxtrain programs live in
// /usr/lib/sphinxtrain (or $VOXCORE_SPHINXTRAIN_DIR), the others on PATH.
QString path(const QString &tool);
// Empty when every tool adaptation runs is installed; otherwise what to install.
QString missing();
// Runs the tool to its end in `folder`. Throws AdaptationCancelled (killing it) when
// `cancelled` turns true, std::runtime_error with the end of its output when it fails.
void run(const QString &tool, const QStringList &arguments, const std::filesystem::path &folder,
         const std::atomic<bool> &cancelled);

} // namespace sphinxTrainTools
