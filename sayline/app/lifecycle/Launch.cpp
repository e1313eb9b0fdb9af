#include "Launch.h"

#include "SingleInstance.h"

#include <cstdio>

namespace {
void writeTo(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}
} // namespace

LaunchPlan planLaunch(int argc, char **argv)
{
    LaunchPlan plan;
    const CommandLineRequest request = parseCommandLine(argc, argv);
    if (request.exitStatus) {
        writeTo(*request.exitStatus == 0 ? stdout : stderr, request.output);
        plan.exitStatus = request.exitStatus;
        return plan;
    }
    plan.command = request.command;

    // A compositor binding runs this on every key press: hand over at once.
    if (plan.command != InstanceCommand::launch) {
        SingleInstance instance(SingleInstance::defaultSessionKey());
        if (instance.isClaimedByAnother()) {
            const bool answered = instance.sendToRunningInstance(messageFor(plan.command));
            if (!answered)
                writeTo(stderr, QStringLiteral("sayline: Sayline is running but did not answer.\n"));
            plan.exitStatus = answered ? 0 : 1;
            return plan;
        }
        if (!startsSaylineWhenAbsent(plan.command)) {
            writeTo(stderr, QStringLiteral("sayline: Sayline is not running.\n"));
            plan.exitStatus = 1;
            return plan;
        }
    }

    QString error;
    const std::optional<DesktopSession> session = DesktopSession::detect(&error);
    if (!session) {
        writeTo(stderr, error + QLatin1Char('\n'));
        plan.exitStatus = 1;
        return plan;
    }
    plan.session = *session;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", plan.session.qtPlatform().toLatin1());
    return plan;
}
