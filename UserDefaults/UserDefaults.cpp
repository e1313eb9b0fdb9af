#include "UserDefaults.h"

#include "JsonFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QTextStream>

#include <cstdio>

namespace {

void report(const QString &line)
{
    std::fprintf(stderr, "%s\n", qPrintable(line));
}

} // namespace

QString UserDefaults::standardFilePath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Sayline/defaults.json");
}

UserDefaults &UserDefaults::standard()
{
    static UserDefaults *instance = new UserDefaults(standardFilePath());
    return *instance;
}

UserDefaults::UserDefaults(const QString &filePath, QObject *parent)
    : QObject(parent), m_filePath(filePath)
{
    load();
}

void UserDefaults::load()
{
    QFile file(m_filePath);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        // Unreadable: keep it untouched and never write over it.
        m_writable = false;
        m_lastError = QStringLiteral("cannot read %1: %2").arg(m_filePath, file.errorString());
        report(QStringLiteral("Sayline: ") + m_lastError + QStringLiteral("; using defaults"));
        return;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    // A file its owner may not write was made read-only on purpose: honour that
    // even where the process could write it anyway (root), and keep changes in memory.
    if (!(file.permissions() & QFileDevice::WriteOwner)) {
        m_writable = false;
        m_lastError = QStringLiteral("%1 is read-only; changes are kept until Sayline quits").arg(m_filePath);
        report(QStringLiteral("Sayline: ") + m_lastError);
    }

    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error == QJsonParseError::NoError && document.isObject()) {
        m_values = document.object();
        return;
    }

    if (const auto aside = JsonFile::moveAside(m_filePath)) {
        m_lastError = QStringLiteral("%1 is not a JSON object; kept as %2").arg(m_filePath, *aside);
    } else {
        m_writable = false;
        m_lastError = QStringLiteral("%1 is not a JSON object and cannot be moved aside").arg(m_filePath);
    }
    report(QStringLiteral("Sayline: ") + m_lastError + QStringLiteral("; using defaults"));
}

QJsonValue UserDefaults::object(const QString &key) const
{
    return m_values.contains(key) ? m_values.value(key) : QJsonValue(QJsonValue::Undefined);
}

std::optional<QString> UserDefaults::string(const QString &key) const
{
    const QJsonValue value = object(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<bool> UserDefaults::boolean(const QString &key) const
{
    const QJsonValue value = object(key);
    if (!value.isBool())
        return std::nullopt;
    return value.toBool();
}

std::optional<double> UserDefaults::number(const QString &key) const
{
    const QJsonValue value = object(key);
    if (!value.isDouble())
        return std::nullopt;
    return value.toDouble();
}

bool UserDefaults::boolValue(const QString &key, bool fallback) const
{
    return boolean(key).value_or(fallback);
}

double UserDefaults::doubleValue(const QString &key, double fallback) const
{
    return number(key).value_or(fallback);
}

void UserDefaults::setString(const QString &key, const QString &value)
{
    setValue(key, QJsonValue(value));
}

void UserDefaults::setBool(const QString &key, bool value)
{
    setValue(key, QJsonValue(value));
}

void UserDefaults::setDouble(const QString &key, double value)
{
    setValue(key, QJsonValue(value));
}

void UserDefaults::remove(const QString &key)
{
    if (!m_values.contains(key))
        return;
    m_values.remove(key);
    save();
    emit valueChanged(key);
}

void UserDefaults::setValue(const QString &key, const QJsonValue &value)
{
    if (m_values.contains(key) && m_values.value(key) == value)
        return;
    m_values.insert(key, value);
    save();
    emit valueChanged(key);
}

bool UserDefaults::save()
{
    if (!m_writable)
        return false;
    if (const auto error = JsonFile::writeAtomically(m_filePath, QJsonDocument(m_values).toJson(QJsonDocument::Indented))) {
        m_lastError = *error;
        report(QStringLiteral("Sayline: ") + m_lastError);
        return false;
    }
    return true;
}
