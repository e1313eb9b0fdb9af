#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class KeyboardInjector;
class Pasteboard;
class WaylandConnection;

// Text delivery on a Wayland compositor, over one connection of Sayline's own:
// the clipboard through data control, typing through a virtual keyboard, or
// where there is none (KWin) through fake input pressing the paste keys.
class WaylandDelivery
{
public:
    // Connects to $WAYLAND_DISPLAY; none (with a line on standard error) when no
    // compositor answers. Protocols named in `ignoredProtocols` are treated as
    // not offered.
    static std::unique_ptr<WaylandDelivery> connect(const QSet<QString> &ignoredProtocols = {});
    ~WaylandDelivery();

    // The interface names of every global the compositor offers.
    QStringList offeredProtocols() const;
    bool offersClipboard() const;
    bool offersTyping() const;
    // How text gets typed, as the start-up line names it.
    QString typingPath() const;

    // The clipboard; none when the compositor lacks data control.
    std::unique_ptr<Pasteboard> makePasteboard();
    // The typing service, its virtual keyboard (or fake input) made now;
    // untrusted when the compositor offers neither.
    std::unique_ptr<KeyboardInjector> makeKeyboardInjector();

private:
    bool offersFakeInputPaste() const;
    explicit WaylandDelivery(std::shared_ptr<WaylandConnection> connection);
    std::shared_ptr<WaylandConnection> m_connection;
};
