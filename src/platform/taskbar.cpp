#include "platform/taskbar.h"

#include <QGuiApplication>
#include <QWidget>

#if defined(POTERO_HAVE_XCB)
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t result = reply->atom;
    std::free(reply);
    return result;
}

} // namespace
#endif

void keepOutOfTaskbar(QWidget *window)
{
#if defined(POTERO_HAVE_XCB)
    // Other platforms (offscreen among them) may offer the interface without a connection.
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || QGuiApplication::platformName() != QLatin1String("xcb") || !x11->connection())
        return;
    xcb_connection_t *connection = x11->connection();
    const auto id = xcb_window_t(window->winId());
    const xcb_atom_t state = atom(connection, "_NET_WM_STATE");
    const xcb_atom_t skipTaskbar = atom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skipTaskbar == XCB_ATOM_NONE)
        return;
    // Added to what the window already asks for; the toolkit keeps atoms it does not manage.
    std::vector<xcb_atom_t> atoms;
    if (xcb_get_property_reply_t *reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, id, state, XCB_ATOM_ATOM, 0, 64),
            nullptr)) {
        const auto *existing = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply));
        atoms.assign(existing,
                     existing + xcb_get_property_value_length(reply) / sizeof(xcb_atom_t));
        std::free(reply);
    }
    for (xcb_atom_t present : atoms)
        if (present == skipTaskbar)
            return;
    atoms.push_back(skipTaskbar);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32,
                        uint32_t(atoms.size()), atoms.data());
    xcb_flush(connection);
#else
    Q_UNUSED(window);
#endif
}
