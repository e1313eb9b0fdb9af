#include "DataControlPasteboard.h"

#include "SelectionTransfer.h"
#include "WaylandConnection.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

const QStringList &DataControlPasteboard::offeredTypes()
{
    static const QStringList types = {
        QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("text/plain"), QStringLiteral("UTF8_STRING"),
        QStringLiteral("TEXT"), QStringLiteral("STRING"),
    };
    return types;
}

std::unique_ptr<DataControlPasteboard> DataControlPasteboard::create(std::shared_ptr<WaylandConnection> connection)
{
    if (!connection || !connection->seat())
        return nullptr;
    Manager manager(static_cast<zwlr_data_control_manager_v1 *>(
        connection->bind(&zwlr_data_control_manager_v1_interface, 2)));
    if (!manager)
        return nullptr;
    std::unique_ptr<DataControlPasteboard> pasteboard(
        new DataControlPasteboard(std::move(connection), std::move(manager)));
    // Binding the device announces the current selection.
    if (!pasteboard->m_connection->roundtrip())
        return nullptr;
    return pasteboard;
}

DataControlPasteboard::DataControlPasteboard(std::shared_ptr<WaylandConnection> connection, Manager manager)
    : m_connection(std::move(connection)), m_manager(std::move(manager)),
      m_device(zwlr_data_control_manager_v1_get_data_device(m_manager.get(), m_connection->seat()))
{
    static const zwlr_data_control_device_v1_listener listener = {
        &DataControlPasteboard::onDataOffer,
        &DataControlPasteboard::onSelection,
        &DataControlPasteboard::onFinished,
        &DataControlPasteboard::onPrimarySelection,
    };
    zwlr_data_control_device_v1_add_listener(m_device.get(), &listener, this);
}

DataControlPasteboard::~DataControlPasteboard()
{
    m_transfers.clear();
    m_source.reset();
    m_newOffer.reset();
    m_selection.reset();
    m_primarySelection.reset();
    m_device.reset();
    m_manager.reset();
    if (m_connection->isAlive())
        m_connection->flush();
}

void DataControlPasteboard::clearContents()
{
    if (!m_connection->isAlive() || !m_device)
        return;
    dropSource();
    zwlr_data_control_device_v1_set_selection(m_device.get(), nullptr);
    m_connection->flush();
}

bool DataControlPasteboard::setString(const QString &text)
{
    if (!m_connection->isAlive() || !m_device)
        return false;
    dropSource();
    m_source.reset(zwlr_data_control_manager_v1_create_data_source(m_manager.get()));
    static const zwlr_data_control_source_v1_listener sourceListener = {
        &DataControlPasteboard::onSend,
        &DataControlPasteboard::onCancelled,
    };
    zwlr_data_control_source_v1_add_listener(m_source.get(), &sourceListener, this);
    for (const QString &type : offeredTypes())
        zwlr_data_control_source_v1_offer(m_source.get(), type.toUtf8().constData());
    m_text = text.toUtf8();
    m_cancelled = false;

    const int selectionsBefore = m_selectionsSeen;
    zwlr_data_control_device_v1_set_selection(m_device.get(), m_source.get());
    if (!m_connection->roundtrip())
        return false;
    // The compositor announces every new selection to every data device, ours too.
    const bool announced = m_selectionsSeen > selectionsBefore && m_selection && m_selectionTypes == offeredTypes();
    if (m_cancelled || !announced) {
        std::fputs("Wayland: the compositor did not make our text the clipboard selection\n", stderr);
        return false;
    }
    return true;
}

std::optional<QString> DataControlPasteboard::text()
{
    // As long as a paste program waits for its owner at most.
    constexpr std::chrono::milliseconds ownerAnswerTimeout{500};
    QString content;
    if (!hasSelection() || !readText(&content, ownerAnswerTimeout))
        return std::nullopt;
    return content;
}

bool DataControlPasteboard::readText(QString *text, std::chrono::milliseconds timeout)
{
    if (!m_connection->isAlive() || !m_selection)
        return false;
    if (ownsSelection()) {
        *text = QString::fromUtf8(m_text);
        return true;
    }
    // Only the names that promise UTF-8 (or ASCII, its subset).
    static const QStringList utf8Types = {QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("UTF8_STRING"),
                                          QStringLiteral("text/plain")};
    const auto type = std::find_if(utf8Types.begin(), utf8Types.end(),
                                   [this](const QString &name) { return m_selectionTypes.contains(name); });
    if (type == utf8Types.end())
        return false;
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    zwlr_data_control_offer_v1_receive(m_selection.get(), type->toUtf8().constData(), pipeEnds[1]);
    const bool sent = m_connection->flush();
    ::close(pipeEnds[1]); // libwayland sent its own duplicate
    QByteArray received;
    bool ended = false;
    const auto readAvailable = [&] {
        char buffer[4096];
        for (;;) {
            const ssize_t count = ::read(pipeEnds[0], buffer, sizeof buffer);
            if (count > 0) {
                received.append(buffer, count);
                continue;
            }
            ended = count == 0 || errno != EAGAIN;
            return ended;
        }
    };
    if (sent)
        m_connection->dispatchUntil(readAvailable, timeout);
    ::close(pipeEnds[0]);
    if (!ended) {
        std::fputs("Wayland: the program holding the clipboard did not hand over its text\n", stderr);
        return false;
    }
    *text = QString::fromUtf8(received);
    return true;
}

bool DataControlPasteboard::transfersInFlight() const
{
    return std::any_of(m_transfers.begin(), m_transfers.end(),
                       [](const std::unique_ptr<SelectionTransfer> &transfer) { return !transfer->finished(); });
}

bool DataControlPasteboard::waitForRequests(int count, std::chrono::milliseconds timeout)
{
    return m_connection->dispatchUntil([this, count] { return m_requestsServed >= count; }, timeout);
}

void DataControlPasteboard::dropSource()
{
    m_source.reset();
    m_cancelled = false;
}

void DataControlPasteboard::serve(int fd)
{
    m_transfers.remove_if([](const std::unique_ptr<SelectionTransfer> &transfer) { return transfer->finished(); });
    auto transfer = std::make_unique<SelectionTransfer>(fd, m_text);
    if (!transfer->finished())
        m_transfers.push_back(std::move(transfer));
}

void DataControlPasteboard::onDataOffer(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
{
    auto *self = static_cast<DataControlPasteboard *>(data);
    static const zwlr_data_control_offer_v1_listener offerListener = {&DataControlPasteboard::onOfferType};
    self->m_newOffer.reset(offer);
    self->m_newOfferTypes.clear();
    zwlr_data_control_offer_v1_add_listener(offer, &offerListener, self);
}

void DataControlPasteboard::onOfferType(void *data, zwlr_data_control_offer_v1 *offer, const char *mimeType)
{
    auto *self = static_cast<DataControlPasteboard *>(data);
    if (offer == self->m_newOffer.get())
        self->m_newOfferTypes.append(QString::fromUtf8(mimeType));
}

void DataControlPasteboard::onSelection(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
{
    auto *self = static_cast<DataControlPasteboard *>(data);
    ++self->m_selectionsSeen;
    self->m_selectionTypes.clear();
    if (offer && offer == self->m_newOffer.get()) {
        self->m_selection = std::move(self->m_newOffer);
        self->m_selectionTypes = std::exchange(self->m_newOfferTypes, {});
    } else {
        self->m_selection.reset();
    }
}

void DataControlPasteboard::onPrimarySelection(void *data, zwlr_data_control_device_v1 *,
                                               zwlr_data_control_offer_v1 *offer)
{
    auto *self = static_cast<DataControlPasteboard *>(data);
    if (offer && offer == self->m_newOffer.get())
        self->m_primarySelection = std::move(self->m_newOffer);
    else
        self->m_primarySelection.reset();
}

void DataControlPasteboard::onFinished(void *data, zwlr_data_control_device_v1 *)
{
    // The seat went away: nothing can be set through this device any more.
    auto *self = static_cast<DataControlPasteboard *>(data);
    self->m_source.reset();
    self->m_device.reset();
}

void DataControlPasteboard::onSend(void *data, zwlr_data_control_source_v1 *, const char *mimeType, int fd)
{
    auto *self = static_cast<DataControlPasteboard *>(data);
    if (offeredTypes().contains(QString::fromUtf8(mimeType))) {
        self->serve(fd);
        ++self->m_requestsServed;
    }
    else
        ::close(fd);
}

void DataControlPasteboard::onCancelled(void *data, zwlr_data_control_source_v1 *source)
{
    // Another program set the clipboard: ours is no longer served.
    auto *self = static_cast<DataControlPasteboard *>(data);
    if (source == self->m_source.get()) {
        self->m_cancelled = true;
        self->m_source.reset();
    }
}
