#include "Pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

class ClipboardPasteboard final : public Pasteboard
{
public:
    void clearContents() override { QGuiApplication::clipboard()->clear(QClipboard::Clipboard); }

    void setString(const QString &text) override
    {
        // Only the plain-text representation: no HTML, no URLs.
        auto *data = new QMimeData;
        data->setText(text);
        QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
    }
};

} // namespace

std::unique_ptr<Pasteboard> makeDefaultPasteboard()
{
    return std::make_unique<ClipboardPasteboard>();
}
