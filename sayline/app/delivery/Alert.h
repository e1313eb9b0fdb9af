#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// A modal alert with a message, an informative text and buttons.
struct AlertContent
{
    QString messageText;
    QString informativeText;
    QStringList buttonTitles; // first one is the default button
};

// Responses as the caller sees them: the first button gives 1000, the second
// 1001, and so on. Closing the alert another way gives the last button's value.
inline constexpr int alertFirstButtonReturn = 1000;

// Runs an alert modally: runModal() returns only after the user answered.
class AlertPresenter
{
public:
    virtual ~AlertPresenter() = default;
    virtual int runModal(const AlertContent &alert) = 0;
};

// A QMessageBox with the default (information) style.
std::unique_ptr<AlertPresenter> makeDefaultAlertPresenter();
