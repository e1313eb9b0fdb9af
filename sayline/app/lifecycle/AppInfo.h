#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// Facts about the running program, for display and log lines.
class AppInfo : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString name READ name CONSTANT)
    Q_PROPERTY(QString version READ version CONSTANT)
public:
    using QObject::QObject;
    static QString name() { return QStringLiteral("Sayline"); }
    static QString applicationId() { return QStringLiteral("io.sayline.Sayline"); }
    static QString version();
};
