#pragma once

#include "Pasteboard.h"

#include <QByteArray>
#include <QStringList>

#include <chrono>
#include <list>
#include <memory>

#include "wlr-data-control-unstable-v1-client-protocol.h"

class SelectionTransfer;
class WaylandConnection;

// The clipboard through the compositor's data control protocol
// (zwlr_data_control_manager_v1): unlike a surface's data device it needs no
// keyboard focus, so it works from a panel that never takes it.
//
// setString() offers the text as UTF-8 plain text under every name programs ask
// for and serves it, without blocking, for as long as it stays the selection.
// It reports success only once the compositor has announced our offer as the
// new selection and has not cancelled it.
class DataControlPasteboard final : public Pasteboard
{
public:
    // None when the compositor offers no data control or no seat.
    static std::unique_ptr<DataControlPasteboard> create(std::shared_ptr<WaylandConnection> connection);
    ~DataControlPasteboard() override;

    void clearContents() override;
    bool setString(const QString &text) override;
    std::optional<QString> text() override;

    // Whether the clipboard holds anything at all (ours or another program's).
    bool hasSelection() const { return m_selection != nullptr; }
    // Reads the clipboard's current content as UTF-8 text into `text`; false
    // when it holds none, holds no text, or its owner does not hand it over
    // within `timeout`. Events keep being dispatched meanwhile, so a selection
    // served on this same connection is read too.
    bool readText(QString *text, std::chrono::milliseconds timeout);
    // How many read requests for our text have been answered so far, and
    // whether any of those is still being written.
    int requestsServed() const { return m_requestsServed; }
    bool transfersInFlight() const;
    // Dispatches events until `count` read requests have been answered; false
    // when fewer came within `timeout`.
    bool waitForRequests(int count, std::chrono::milliseconds timeout);
    // Whether our text is still the clipboard's (no other program replaced it).
    bool ownsSelection() const { return m_source && !m_cancelled; }

    // The MIME types offered for the text, preferred first.
    static const QStringList &offeredTypes();

private:
    struct Destroy
    {
        void operator()(zwlr_data_control_manager_v1 *p) const { zwlr_data_control_manager_v1_destroy(p); }
        void operator()(zwlr_data_control_device_v1 *p) const { zwlr_data_control_device_v1_destroy(p); }
        void operator()(zwlr_data_control_source_v1 *p) const { zwlr_data_control_source_v1_destroy(p); }
        void operator()(zwlr_data_control_offer_v1 *p) const { zwlr_data_control_offer_v1_destroy(p); }
    };
    using Manager = std::unique_ptr<zwlr_data_control_manager_v1, Destroy>;
    using Device = std::unique_ptr<zwlr_data_control_device_v1, Destroy>;
    using Source = std::unique_ptr<zwlr_data_control_source_v1, Destroy>;
    using Offer = std::unique_ptr<zwlr_data_control_offer_v1, Destroy>;

    DataControlPasteboard(std::shared_ptr<WaylandConnection> connection, Manager manager);
    void dropSource();
    void serve(int fd);

    static void onDataOffer(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer);
    static void onSelection(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer);
    static void onFinished(void *data, zwlr_data_control_device_v1 *);
    static void onPrimarySelection(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer);
    static void onOfferType(void *data, zwlr_data_control_offer_v1 *, const char *mimeType);
    static void onSend(void *data, zwlr_data_control_source_v1 *, const char *mimeType, int fd);
    static void onCancelled(void *data, zwlr_data_control_source_v1 *);

    std::shared_ptr<WaylandConnection> m_connection;
    Manager m_manager;
    Device m_device;
    // The latest offer introduced, and those that are the current selections.
    Offer m_newOffer;
    QStringList m_newOfferTypes;
    Offer m_selection;
    QStringList m_selectionTypes;
    int m_selectionsSeen = 0;
    Offer m_primarySelection;
    // Our source while it may be the selection, and the text it serves.
    Source m_source;
    QByteArray m_text;
    bool m_cancelled = false;
    int m_requestsServed = 0;
    std::list<std::unique_ptr<SelectionTransfer>> m_transfers;
};
