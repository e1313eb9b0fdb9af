#include "XcbConnection.h"

#include <xcb/xtest.h>

#include <cstdlib>

XcbConnection::XcbConnection()
{
    // xcb_connect always returns an object; a failed one reports an error.
    m_connection.reset(xcb_connect(nullptr, nullptr));
}

bool XcbConnection::hasXTest() const
{
    if (!isOpen())
        return false;
    const xcb_query_extension_reply_t *extension = xcb_get_extension_data(get(), &xcb_test_id);
    if (!extension || !extension->present)
        return false;
    XcbReply<xcb_test_get_version_reply_t> version(
        xcb_test_get_version_reply(get(), xcb_test_get_version(get(), 2, 2), nullptr));
    return version != nullptr;
}

void XcbConnection::sync() const
{
    if (!isOpen())
        return;
    XcbReply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(get(), xcb_get_input_focus(get()), nullptr));
}
