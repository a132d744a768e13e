#include "X11Compositor.h"

#include "shared/X11.h"

#include <QByteArray>
#include <QGuiApplication>

namespace {

// The screen part of DISPLAY (":0.1" names screen 1); 0 when absent.
int screenNumber()
{
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype colon = display.lastIndexOf(':');
    const qsizetype dot = display.indexOf('.', colon);
    return colon >= 0 && dot > colon ? display.mid(dot + 1).toInt() : 0;
}

} // namespace

bool X11Compositor::isActive()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return true;
    xcb_connection_t *connection = X11::connection();
    if (!connection)
        return false;
    // A compositing manager owns the selection _NET_WM_CM_S<screen number>.
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screenNumber());
    const xcb_atom_t atom = X11::internAtom(connection, name);
    if (atom == XCB_ATOM_NONE)
        return false;
    const X11::Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom), nullptr));
    return owner && owner->owner != XCB_NONE;
}
