#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The program and arguments that open a desktop's settings page.
struct SettingsPageCommand
{
    QString program;
    QStringList arguments;
    bool operator==(const SettingsPageCommand &) const = default;
};

// Finds the settings page of the running desktop that matches one of Sayline's
// fixed settings links (the accessibility and microphone privacy pages).
// `currentDesktop` is $XDG_CURRENT_DESKTOP (a colon-separated list such as
// "ubuntu:GNOME"); `findProgram` returns the absolute path of a program on PATH,
// or an empty string. nullopt when the link is unknown or the desktop has no
// such page.
std::optional<SettingsPageCommand>
settingsPageCommand(const QString &url, const QString &currentDesktop,
                    const std::function<QString(const QString &program)> &findProgram);
