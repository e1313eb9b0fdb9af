#include "Alert.h"

#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>

namespace {

class MessageBoxAlert final : public AlertPresenter
{
public:
    int runModal(const AlertContent &alert) override
    {
        const int lastResponse = alertFirstButtonReturn + int(std::max<qsizetype>(alert.buttonTitles.size(), 1)) - 1;
        // QMessageBox needs a widget application; under a plain QGuiApplication
        // answer as if the user had cancelled rather than abort.
        if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
            std::fputs("Cannot show an alert without a widget application\n", stderr);
            return lastResponse;
        }
        QMessageBox box;
        box.setIcon(QMessageBox::Information);
        box.setText(alert.messageText);
        box.setInformativeText(alert.informativeText);
        QList<QAbstractButton *> buttons;
        for (const QString &title : alert.buttonTitles)
            buttons.append(box.addButton(title, buttons.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
        if (!buttons.isEmpty()) {
            box.setDefaultButton(qobject_cast<QPushButton *>(buttons.first()));
            box.setEscapeButton(buttons.last());
        }
        box.exec();
        const qsizetype index = buttons.indexOf(box.clickedButton());
        return index < 0 ? lastResponse : alertFirstButtonReturn + int(index);
    }
};

} // namespace

std::unique_ptr<AlertPresenter> makeDefaultAlertPresenter()
{
    return std::make_unique<MessageBoxAlert>();
}
