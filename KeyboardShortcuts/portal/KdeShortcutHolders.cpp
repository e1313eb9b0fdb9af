#include "KdeShortcutHolders.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QKeySequence>
#include <QStringList>

namespace KeyboardShortcuts {

void askKdeShortcutHolder(QDBusConnection bus, const QString &qtKeys, QObject *context,
                          std::function<void(std::optional<KdeShortcutHolder>)> answer)
{
    const QKeySequence sequence = QKeySequence::fromString(qtKeys, QKeySequence::PortableText);
    if (sequence.isEmpty()) {
        answer(std::nullopt);
        return;
    }
    // The service counts keys as Qt's combined key codes.
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.kde.kglobalaccel"),
                                                       QStringLiteral("/kglobalaccel"),
                                                       QStringLiteral("org.kde.KGlobalAccel"), QStringLiteral("action"));
    call.setArguments({sequence[0].toCombined()});
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, answer = std::move(answer)] {
        watcher->deleteLater();
        const QDBusPendingReply<QStringList> reply = *watcher;
        // [component id, action id, component name, action name]
        const QStringList holder = reply.isError() ? QStringList() : reply.value();
        if (holder.size() < 2 || holder.at(1).isEmpty()) {
            answer(std::nullopt);
            return;
        }
        answer(KdeShortcutHolder{holder.at(1), holder.value(3, holder.at(1)), holder.value(2, holder.at(0))});
    });
}

} // namespace KeyboardShortcuts
