#include "InstanceCommand.h"

#include <array>
#include <utility>

namespace {
struct CommandName
{
    InstanceCommand command;
    const char *option;
    const char *message;
};

constexpr std::array<CommandName, 6> commandNames{{
    {InstanceCommand::launch, nullptr, "startDictation"},
    {InstanceCommand::toggle, "--toggle", "toggle"},
    {InstanceCommand::start, "--start", "start"},
    {InstanceCommand::submit, "--submit", "submit"},
    {InstanceCommand::cancel, "--cancel", "cancel"},
    {InstanceCommand::settings, "--settings", "settings"},
}};

const QString usage = QStringLiteral(
    "Usage: sayline [--toggle | --start | --submit | --cancel | --settings]\n"
    "\n"
    "Offline dictation. Without an option Sayline starts and listens; when it is\n"
    "running already, a new dictation starts.\n"
    "\n"
    "  --toggle     start a dictation, or deliver the one in progress (what the\n"
    "               toggle shortcut does; bind it in your compositor)\n"
    "  --start      start a dictation unless one is in progress\n"
    "  --submit     deliver the dictation in progress\n"
    "  --cancel     discard the dictation in progress\n"
    "  --settings   open the settings window\n"
    "  --version    print the version\n"
    "  --help       print this text\n");
} // namespace

CommandLineRequest parseCommandLine(int argc, char **argv)
{
    CommandLineRequest request;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            return {InstanceCommand::launch, 0, usage};
        }
        if (argument == QLatin1String("--version")) {
            return {InstanceCommand::launch, 0, QStringLiteral("Sayline %1\n").arg(QStringLiteral(SAYLINE_VERSION))};
        }
        bool known = false;
        for (const CommandName &name : commandNames) {
            if (name.option && argument == QLatin1String(name.option)) {
                if (request.command != InstanceCommand::launch && request.command != name.command)
                    return {InstanceCommand::launch, 2,
                            QStringLiteral("sayline: give only one of --toggle, --start, --submit, --cancel, --settings\n")};
                request.command = name.command;
                known = true;
            }
        }
        // Qt's own options (-platform, -style …) pass through to the application.
        if (!known && argument.startsWith(QLatin1String("--")))
            return {InstanceCommand::launch, 2,
                    QStringLiteral("sayline: unknown option %1\n\n").arg(argument) + usage};
    }
    return request;
}

QString messageFor(InstanceCommand command)
{
    for (const CommandName &name : commandNames) {
        if (name.command == command)
            return QString::fromLatin1(name.message);
    }
    return {};
}

std::optional<InstanceCommand> commandFromMessage(const QString &message)
{
    for (const CommandName &name : commandNames) {
        if (message == QLatin1String(name.message))
            return name.command;
    }
    return std::nullopt;
}

bool startsSaylineWhenAbsent(InstanceCommand command)
{
    return command != InstanceCommand::submit && command != InstanceCommand::cancel;
}
