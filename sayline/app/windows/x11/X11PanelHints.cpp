#include "X11PanelHints.h"

#include <QGuiApplication>
#include <QWindow>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

namespace {
struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

constexpr uint32_t allDesktops = 0xFFFFFFFF;
constexpr uint32_t inputHintFlag = 1; // ICCCM WM_HINTS InputHint
constexpr int wmHintsFields = 9;

xcb_connection_t *qtConnection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}
} // namespace

std::unique_ptr<PanelWindowHints> PanelWindowHints::platformHints(Placement placement)
{
    return std::make_unique<X11PanelHints>(qtConnection(), placement);
}

X11PanelHints::X11PanelHints(xcb_connection_t *connection, Placement placement)
    : m_connection(connection)
    , m_placement(placement)
{
}

Qt::WindowFlags X11PanelHints::extraWindowFlags() const
{
    return m_placement == Placement::unmanaged ? Qt::BypassWindowManagerHint : Qt::WindowFlags();
}

xcb_atom_t X11PanelHints::atom(const char *name)
{
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, uint16_t(strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

void X11PanelHints::applyPanelHints(QWindow &window)
{
    if (!m_connection)
        return;
    const xcb_window_t id = xcb_window_t(window.winId());

    const uint32_t desktop = allDesktops;
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1,
                        &desktop);

    // Qt merges its own states into what is already there when it maps the window.
    const xcb_atom_t states[] = {atom("_NET_WM_STATE_STICKY"), atom("_NET_WM_STATE_SKIP_TASKBAR"),
                                 atom("_NET_WM_STATE_SKIP_PAGER"), atom("_NET_WM_STATE_ABOVE")};
    xcb_change_property(m_connection, XCB_PROP_MODE_APPEND, id, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                        std::size(states), states);

    uint32_t hints[wmHintsFields] = {};
    Reply<xcb_get_property_reply_t> current(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0, wmHintsFields),
        nullptr));
    if (current && current->format == 32) {
        const int n = std::min<int>(wmHintsFields, xcb_get_property_value_length(current.get()) / 4);
        const auto *values = static_cast<const uint32_t *>(xcb_get_property_value(current.get()));
        std::copy(values, values + n, hints);
    }
    hints[0] |= inputHintFlag;
    hints[1] = 0;
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                        wmHintsFields, hints);

    const xcb_atom_t protocolsAtom = atom("WM_PROTOCOLS");
    const xcb_atom_t takeFocus = atom("WM_TAKE_FOCUS");
    Reply<xcb_get_property_reply_t> protocols(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, id, protocolsAtom, XCB_ATOM_ATOM, 0, 32), nullptr));
    if (protocols && protocols->format == 32) {
        const auto *values = static_cast<const xcb_atom_t *>(xcb_get_property_value(protocols.get()));
        const int n = xcb_get_property_value_length(protocols.get()) / 4;
        std::vector<xcb_atom_t> kept;
        std::copy_if(values, values + n, std::back_inserter(kept), [&](xcb_atom_t a) { return a != takeFocus; });
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, protocolsAtom, XCB_ATOM_ATOM, 32,
                            uint32_t(kept.size()), kept.data());
    }
    xcb_flush(m_connection);
}

bool X11PanelHints::hasCompositor()
{
    // Not X11, or XWayland: the Wayland compositor blends every window.
    if (!m_connection || m_placement == Placement::unmanaged)
        return true;
    // Sayline runs on the display's first screen (DISPLAY=:n or :n.0).
    const QByteArray selection = "_NET_WM_CM_S0";
    Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, atom(selection.constData())), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}
