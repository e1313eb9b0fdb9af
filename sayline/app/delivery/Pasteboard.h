#pragma once

#include <QString>

#include <memory>

// The system clipboard as text delivery sees it.
//
// clearContents() drops whatever the clipboard holds; setString() then makes the
// given text its only content, as plain text. Sayline keeps running after a
// delivery, so it stays the owner and the text stays available to other
// programs. Neither call has a failure path.
class Pasteboard
{
public:
    virtual ~Pasteboard() = default;
    virtual void clearContents() = 0;
    virtual void setString(const QString &text) = 0;
};

// The clipboard selection of the running QGuiApplication (QClipboard::Clipboard,
// not the X11 primary selection).
std::unique_ptr<Pasteboard> makeDefaultPasteboard();
