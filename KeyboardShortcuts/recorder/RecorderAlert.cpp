#include "RecorderAlert.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

namespace KeyboardShortcuts {

void RecorderAlertPresenter::beep()
{
    QApplication::beep();
}

namespace {

class MessageBoxRecorderAlertPresenter final : public RecorderAlertPresenter
{
public:
    int runModal(QWindow *window, const RecorderAlert &alert) override
    {
        QMessageBox box;
        box.setIcon(QMessageBox::Warning);
        box.setText(alert.messageText);
        box.setInformativeText(alert.informativeText);
        const QStringList titles = alert.buttonTitles.isEmpty() ? QStringList{QStringLiteral("OK")} : alert.buttonTitles;
        QList<QAbstractButton *> buttons;
        for (const QString &title : titles)
            buttons.append(box.addButton(title, buttons.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
        box.setDefaultButton(qobject_cast<QPushButton *>(buttons.first()));
        box.setEscapeButton(buttons.first());
        if (window) {
            box.setWindowModality(Qt::WindowModal);
            box.winId(); // creates the native window so it can be made transient
            box.windowHandle()->setTransientParent(window);
        }
        box.exec();
        const qsizetype index = buttons.indexOf(box.clickedButton());
        return alertFirstButtonReturn + int(std::max<qsizetype>(index, 0));
    }
};

std::unique_ptr<RecorderAlertPresenter> &presenterSlot()
{
    static std::unique_ptr<RecorderAlertPresenter> presenter = std::make_unique<MessageBoxRecorderAlertPresenter>();
    return presenter;
}

} // namespace

RecorderAlertPresenter &recorderAlertPresenter()
{
    return *presenterSlot();
}

void setRecorderAlertPresenter(std::unique_ptr<RecorderAlertPresenter> presenter)
{
    presenterSlot() = presenter ? std::move(presenter) : std::make_unique<MessageBoxRecorderAlertPresenter>();
}

} // namespace KeyboardShortcuts
