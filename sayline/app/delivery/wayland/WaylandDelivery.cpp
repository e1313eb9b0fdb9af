#include "WaylandDelivery.h"

#include "DataControlPasteboard.h"
#include "FakeInputKeyboard.h"
#include "FakeInputPasteInjector.h"
#include "VirtualKeyboardInjector.h"
#include "WaylandConnection.h"

std::unique_ptr<WaylandDelivery> WaylandDelivery::connect(const QSet<QString> &ignoredProtocols)
{
    std::shared_ptr<WaylandConnection> connection = WaylandConnection::connect(ignoredProtocols);
    if (!connection)
        return nullptr;
    return std::unique_ptr<WaylandDelivery>(new WaylandDelivery(std::move(connection)));
}

WaylandDelivery::WaylandDelivery(std::shared_ptr<WaylandConnection> connection) : m_connection(std::move(connection))
{
}

WaylandDelivery::~WaylandDelivery() = default;

QStringList WaylandDelivery::offeredProtocols() const
{
    return m_connection->interfaces();
}

bool WaylandDelivery::offersClipboard() const
{
    return m_connection->offers(zwlr_data_control_manager_v1_interface.name);
}

bool WaylandDelivery::offersTyping() const
{
    return m_connection->offers(zwp_virtual_keyboard_manager_v1_interface.name) || offersFakeInputPaste();
}

bool WaylandDelivery::offersFakeInputPaste() const
{
    return m_connection->offers(org_kde_kwin_fake_input_interface.name) && offersClipboard();
}

QString WaylandDelivery::typingPath() const
{
    if (m_connection->offers(zwp_virtual_keyboard_manager_v1_interface.name))
        return QStringLiteral("virtual keyboard");
    if (offersFakeInputPaste())
        return QStringLiteral("fake input + paste (Shift+Insert)");
    if (m_connection->offers(zwlr_data_control_manager_v1_interface.name))
        return QStringLiteral("none (this compositor offers no virtual keyboard, and no fake input to Sayline: "
                              "on KDE Plasma, Sayline's desktop entry must be installed)");
    return QStringLiteral("none (this compositor offers no virtual keyboard)");
}

std::unique_ptr<Pasteboard> WaylandDelivery::makePasteboard()
{
    return DataControlPasteboard::create(m_connection);
}

std::unique_ptr<KeyboardInjector> WaylandDelivery::makeKeyboardInjector()
{
    if (!m_connection->offers(zwp_virtual_keyboard_manager_v1_interface.name) && offersFakeInputPaste()) {
        std::unique_ptr<FakeInputKeyboard> keyboard = FakeInputKeyboard::create(m_connection);
        std::unique_ptr<DataControlPasteboard> clipboard = DataControlPasteboard::create(m_connection);
        if (keyboard && clipboard)
            return std::make_unique<FakeInputPasteInjector>(std::move(keyboard), std::move(clipboard));
    }
    return std::make_unique<VirtualKeyboardInjector>(m_connection);
}
