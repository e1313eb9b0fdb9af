#include "KdeShortcutHolders.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QKeySequence>
#include <QStringList>

namespace KeyboardShortcuts {

namespace {

QDBusMessage kglobalaccelCall(const QString &method)
{
    return QDBusMessage::createMethodCall(QStringLiteral("org.kde.kglobalaccel"), QStringLiteral("/kglobalaccel"),
                                          QStringLiteral("org.kde.KGlobalAccel"), method);
}

} // namespace

void askKdeShortcutHolder(QDBusConnection bus, const QString &qtKeys, QObject *context,
                          std::function<void(std::optional<KdeShortcutHolder>)> answer)
{
    const QKeySequence sequence = QKeySequence::fromString(qtKeys, QKeySequence::PortableText);
    if (sequence.isEmpty()) {
        answer(std::nullopt);
        return;
    }
    // The service counts keys as Qt's combined key codes.
    QDBusMessage call = kglobalaccelCall(QStringLiteral("action"));
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
        answer(KdeShortcutHolder{holder.at(1), holder.value(3, holder.at(1)), holder.value(2, holder.at(0)),
                                 holder.at(0)});
    });
}

void rebindKdeShortcut(QDBusConnection bus, const KdeShortcutHolder &holder, const QString &qtKeys)
{
    const QKeySequence sequence = QKeySequence::fromString(qtKeys, QKeySequence::PortableText);
    if (sequence.isEmpty())
        return;
    QDBusMessage call = kglobalaccelCall(QStringLiteral("setForeignShortcut"));
    const QStringList action{holder.componentId, holder.actionId, holder.componentName, holder.actionName};
    call.setArguments({action, QVariant::fromValue(QList<int>{sequence[0].toCombined()})});
    bus.asyncCall(call);
}

} // namespace KeyboardShortcuts
