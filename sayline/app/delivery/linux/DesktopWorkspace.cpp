#include "DesktopWorkspace.h"

#include "Workspace.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

enum class SettingsPage { accessibility, microphone };

std::optional<SettingsPage> settingsPageFor(const QString &url)
{
    static const QString prefix =
        QStringLiteral("x-apple.systempreferences:com.apple.preference.security?");
    if (url == prefix + QLatin1String("Privacy_Accessibility"))
        return SettingsPage::accessibility;
    if (url == prefix + QLatin1String("Privacy_Microphone"))
        return SettingsPage::microphone;
    return std::nullopt;
}

struct DesktopPages
{
    QString desktop;        // as named in XDG_CURRENT_DESKTOP
    QStringList programs;   // candidates, the first one on PATH is used
    QString accessibility;  // argument naming the page
    QString microphone;
};

const QList<DesktopPages> &knownDesktops()
{
    static const QList<DesktopPages> desktops = {
        {QStringLiteral("GNOME"), {QStringLiteral("gnome-control-center")},
         QStringLiteral("privacy"), QStringLiteral("sound")},
        {QStringLiteral("KDE"), {QStringLiteral("systemsettings"), QStringLiteral("systemsettings5")},
         QStringLiteral("kcm_access"), QStringLiteral("kcm_pulseaudio")},
    };
    return desktops;
}

class DesktopWorkspace final : public Workspace
{
public:
    bool openUrl(const QString &url) override
    {
        const QUrl parsed(url);
        if (parsed.scheme() == QLatin1String("https") || parsed.scheme() == QLatin1String("http"))
            return QDesktopServices::openUrl(parsed);
        const auto command = settingsPageCommand(
            url, qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
            [](const QString &program) { return QStandardPaths::findExecutable(program); });
        return command && QProcess::startDetached(command->program, command->arguments);
    }
};

} // namespace

std::optional<SettingsPageCommand>
settingsPageCommand(const QString &url, const QString &currentDesktop,
                    const std::function<QString(const QString &program)> &findProgram)
{
    const auto page = settingsPageFor(url);
    if (!page)
        return std::nullopt;
    const QStringList running = currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const DesktopPages &desktop : knownDesktops()) {
        if (!running.contains(desktop.desktop, Qt::CaseInsensitive))
            continue;
        for (const QString &program : desktop.programs) {
            const QString path = findProgram(program);
            if (!path.isEmpty())
                return SettingsPageCommand{
                    path, {*page == SettingsPage::accessibility ? desktop.accessibility : desktop.microphone}};
        }
    }
    return std::nullopt;
}

std::unique_ptr<Workspace> makeDefaultWorkspace()
{
    return std::make_unique<DesktopWorkspace>();
}
