#include "Pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

class ClipboardPasteboard final : public Pasteboard
{
public:
    void clearContents() override { QGuiApplication::clipboard()->clear(QClipboard::Clipboard); }

    bool setString(const QString &text) override
    {
        // Only the plain-text representation: no HTML, no URLs.
        auto *data = new QMimeData;
        data->setText(text);
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->setMimeData(data, QClipboard::Clipboard);
        // On X11 this is the server's answer; Qt's Wayland plugin claims
        // ownership even when the compositor refused it (data control is the
        // Wayland pasteboard for that reason).
        return clipboard->ownsClipboard();
    }

    std::optional<QString> text() override
    {
        const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
        if (!data || !data->hasText())
            return std::nullopt;
        return data->text();
    }
};

} // namespace

std::unique_ptr<Pasteboard> makeDefaultPasteboard()
{
    return std::make_unique<ClipboardPasteboard>();
}
