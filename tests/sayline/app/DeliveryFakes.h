#pragma once

#include "Alert.h"
#include "KeyboardInjector.h"
#include "Pasteboard.h"
#include "Workspace.h"

#include <QList>
#include <QStringList>

#include <memory>

// What the delivery test doubles were asked, in one ordered event list so a
// test can check the order across services, and what they answer.
struct DeliveryProbe
{
    QStringList events;
    bool trusted = true;
    bool desktopAsksForTrust = false; // a consent dialog of the desktop's own
    bool clipboardAccepts = true;
    QStringList heldModifiers;
    bool typedWhileModifierHeld = false;
    QList<AlertContent> alerts;
    int alertResponse = alertFirstButtonReturn + 1;
};

// Each fake shares the probe with the test.
struct Probed
{
    explicit Probed(std::shared_ptr<DeliveryProbe> probe) : m_probe(std::move(probe)) {}
    std::shared_ptr<DeliveryProbe> m_probe;
};

class FakePasteboard final : public Pasteboard, Probed
{
public:
    using Probed::Probed;
    void clearContents() override { m_probe->events.append(QStringLiteral("pasteboard clear")); }
    bool setString(const QString &text) override
    {
        m_probe->events.append(QStringLiteral("pasteboard set ") + text);
        return m_probe->clipboardAccepts;
    }
    std::optional<QString> text() override { return std::nullopt; }
};

class FakeKeyboardInjector final : public KeyboardInjector, Probed
{
public:
    using Probed::Probed;
    bool isTrusted() override { return m_probe->trusted; }
    bool typeText(const QString &text) override
    {
        if (!m_probe->heldModifiers.isEmpty())
            m_probe->typedWhileModifierHeld = true;
        m_probe->events.append(QStringLiteral("type ") + text);
        return true;
    }
    QStringList heldModifiers() override { return m_probe->heldModifiers; }
    bool requestTrust() override
    {
        if (m_probe->desktopAsksForTrust)
            m_probe->events.append(QStringLiteral("desktop asks for trust"));
        return m_probe->desktopAsksForTrust;
    }
};

class FakeWorkspace final : public Workspace, Probed
{
public:
    using Probed::Probed;
    bool openUrl(const QString &url) override
    {
        m_probe->events.append(QStringLiteral("open ") + url);
        return true;
    }
};

class FakeAlertPresenter final : public AlertPresenter, Probed
{
public:
    using Probed::Probed;
    int runModal(const AlertContent &alert) override
    {
        m_probe->events.append(QStringLiteral("alert ") + alert.messageText);
        m_probe->alerts.append(alert);
        return m_probe->alertResponse;
    }
};
