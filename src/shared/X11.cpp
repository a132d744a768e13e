#include "X11.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

using namespace Qt::StringLiterals;

xcb_connection_t *X11::connection()
{
    // Command-line programs ask too, and their application has no GUI at all.
    const auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app || QGuiApplication::platformName() != "xcb"_L1)
        return nullptr;
    auto *x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t X11::internAtom(xcb_connection_t *connection, QByteArrayView name)
{
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.data()), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}
