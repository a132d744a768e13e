#include "X11WindowType.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {

struct FreeDeleter
{
    void operator()(void *pointer) const { std::free(pointer); }
};

xcb_atom_t internAtom(xcb_connection_t *connection, std::string_view name)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.data()), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

void X11WindowType::markAsDialog(WId window)
{
    if (!qGuiApp || QGuiApplication::platformName() != "xcb"_L1 || window == 0)
        return;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    const xcb_atom_t property = internAtom(connection, "_NET_WM_WINDOW_TYPE");
    // Normal last, as the fallback for window managers that know no dialogs.
    const std::array<xcb_atom_t, 2> types{internAtom(connection, "_NET_WM_WINDOW_TYPE_DIALOG"),
                                          internAtom(connection, "_NET_WM_WINDOW_TYPE_NORMAL")};
    if (property == XCB_ATOM_NONE || types[0] == XCB_ATOM_NONE)
        return;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window), property,
                        XCB_ATOM_ATOM, 32, uint32_t(types.size()), types.data());
    xcb_flush(connection);
}
