#include "WaylandDelivery.h"

#include "DataControlPasteboard.h"
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
    return m_connection->offers(zwp_virtual_keyboard_manager_v1_interface.name);
}

std::unique_ptr<Pasteboard> WaylandDelivery::makePasteboard()
{
    return DataControlPasteboard::create(m_connection);
}

std::unique_ptr<KeyboardInjector> WaylandDelivery::makeKeyboardInjector()
{
    return std::make_unique<VirtualKeyboardInjector>(m_connection);
}
