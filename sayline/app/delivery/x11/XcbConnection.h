#pragma once

#include <xcb/xcb.h>

#include <memory>

// One private connection to the X display named by $DISPLAY, closed when the
// object goes away. Unlike Xlib, xcb never exits the process when the server
// vanishes: a broken connection only reports hasError().
class XcbConnection
{
public:
    XcbConnection();

    bool isOpen() const { return m_connection && !xcb_connection_has_error(m_connection.get()); }
    xcb_connection_t *get() const { return m_connection.get(); }
    const xcb_setup_t *setup() const { return xcb_get_setup(m_connection.get()); }

    // True when the server offers the XTEST extension and answers its version request.
    bool hasXTest() const;

    // A round trip: when it returns, the server has processed every request sent before.
    void sync() const;

private:
    struct Disconnect { void operator()(xcb_connection_t *c) const { xcb_disconnect(c); } };
    std::unique_ptr<xcb_connection_t, Disconnect> m_connection;
};

// Owns one reply (or event) that xcb allocated with malloc.
template<typename T>
struct XcbFree { void operator()(T *p) const { std::free(p); } };
template<typename T>
using XcbReply = std::unique_ptr<T, XcbFree<T>>;
