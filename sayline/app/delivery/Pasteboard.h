#pragma once

#include <QString>

#include <memory>
#include <optional>

// The system clipboard as text delivery sees it.
//
// clearContents() drops whatever the clipboard holds; setString() then makes the
// given text its only content, as plain text. Sayline keeps running after a
// delivery, so it stays the owner and the text stays available to other
// programs. setString() returns whether the text is on the clipboard: false when
// the system refused it or could not be reached, never true on a guess.
class Pasteboard
{
public:
    virtual ~Pasteboard() = default;
    virtual void clearContents() = 0;
    virtual bool setString(const QString &text) = 0;
    // The clipboard's plain text now (ours or another program's); nullopt when
    // it holds no text or its owner does not hand it over.
    virtual std::optional<QString> text() = 0;
};

// The clipboard selection of the running QGuiApplication (QClipboard::Clipboard,
// not the X11 primary selection).
std::unique_ptr<Pasteboard> makeDefaultPasteboard();
