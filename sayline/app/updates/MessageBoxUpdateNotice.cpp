#include "UpdateNotice.h"

#include "AppInfo.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>

namespace {

class MessageBoxUpdateNotice final : public UpdateNotice
{
public:
    void showUpdateFound(const AppcastItem &update, const QString &currentVersion) override
    {
        QMessageBox *box = makeBox(
            QStringLiteral("A new version of %1 is available").arg(AppInfo::name()),
            QStringLiteral("%1 %2 is available; you have %3.")
                .arg(AppInfo::name(), update.displayVersion(), currentVersion));
        if (box) {
            const QUrl page = update.pageUrl();
            if (!page.isEmpty()) {
                const QString title = page == update.downloadUrl ? QStringLiteral("Open Download Page")
                                                                  : QStringLiteral("Open Release Notes");
                QPushButton *open = box->addButton(title, QMessageBox::AcceptRole);
                QObject::connect(open, &QPushButton::clicked, [page] { QDesktopServices::openUrl(page); });
                box->setDefaultButton(open);
            }
            box->addButton(page.isEmpty() ? QStringLiteral("OK") : QStringLiteral("Later"), QMessageBox::RejectRole);
            box->open();
        }
    }

    void showUpToDate(const QString &currentVersion) override
    {
        if (QMessageBox *box = makeBox(QStringLiteral("You're up to date"),
                                       QStringLiteral("%1 %2 is currently the newest version available.")
                                           .arg(AppInfo::name(), currentVersion))) {
            box->addButton(QMessageBox::Ok);
            box->open();
        }
    }

    void showCheckFailed(const QString &description) override
    {
        if (QMessageBox *box = makeBox(QStringLiteral("Update Error"), description)) {
            box->addButton(QMessageBox::Ok);
            box->open();
        }
    }

private:
    // A box that deletes itself when closed; nullptr without a widget application.
    static QMessageBox *makeBox(const QString &text, const QString &informativeText)
    {
        if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(text), qPrintable(informativeText));
            return nullptr;
        }
        auto *box = new QMessageBox;
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setIcon(QMessageBox::Information);
        box->setWindowTitle(AppInfo::name());
        box->setText(text);
        box->setInformativeText(informativeText);
        return box;
    }
};

} // namespace

std::unique_ptr<UpdateNotice> makeDefaultUpdateNotice()
{
    return std::make_unique<MessageBoxUpdateNotice>();
}
