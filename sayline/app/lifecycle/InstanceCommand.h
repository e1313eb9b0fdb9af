#pragma once

#include <QString>

#include <optional>

// What one launch of `sayline` asks for, read from its command line, and the
// messages the running instance understands on its single-instance socket.
//
//   sayline              start (a second launch starts a new dictation)
//   sayline --toggle     what the toggle shortcut does (starts Sayline if needed)
//   sayline --start      start dictating unless dictating already (starts Sayline if needed)
//   sayline --submit     deliver the dictation in progress
//   sayline --cancel     discard the dictation in progress
//   sayline --settings   open the settings window (starts Sayline if needed)
//
// Compositors without a global-shortcut service bind keys to these commands.
enum class InstanceCommand { launch, toggle, start, submit, cancel, settings };

struct CommandLineRequest
{
    InstanceCommand command = InstanceCommand::launch;
    // Set when the process should exit at once with this status (help,
    // version, an unknown option); the text to print goes with it.
    std::optional<int> exitStatus;
    QString output;
};

CommandLineRequest parseCommandLine(int argc, char **argv);

// The line sent on the socket, without its newline ("toggle", …; a plain
// launch sends "startDictation").
QString messageFor(InstanceCommand command);
std::optional<InstanceCommand> commandFromMessage(const QString &message);

// Whether a launch with this command becomes Sayline when none is running
// (--submit and --cancel have nothing to act on then).
bool startsSaylineWhenAbsent(InstanceCommand command);
