#pragma once

#include "DesktopSession.h"
#include "InstanceCommand.h"

#include <optional>

// What happens before the GUI exists: the command line is read, a command for
// the running Sayline is handed over (fast, without starting Qt's GUI), and the
// desktop session is detected.
struct LaunchPlan
{
    // Set when this process is done: help printed, a command handed over, or
    // no desktop to run in (the line is already written).
    std::optional<int> exitStatus;
    InstanceCommand command = InstanceCommand::launch;
    DesktopSession session;
};

LaunchPlan planLaunch(int argc, char **argv);
