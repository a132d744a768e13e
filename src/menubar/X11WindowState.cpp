#include "X11WindowState.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <array>
#include <cstdlib>
#include <memory>

namespace {

struct FreeDeleter
{
    void operator()(void *pointer) const { std::free(pointer); }
};

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name, size_t length)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(length), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

template<size_t N> xcb_atom_t internAtom(xcb_connection_t *connection, const char (&name)[N])
{
    return internAtom(connection, name, N - 1);
}

} // namespace

void X11WindowState::skipTaskbar(WId window)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    const xcb_atom_t state = internAtom(connection, "_NET_WM_STATE");
    const std::array<xcb_atom_t, 2> skip{internAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                                         internAtom(connection, "_NET_WM_STATE_SKIP_PAGER")};
    if (state == XCB_ATOM_NONE || skip[0] == XCB_ATOM_NONE || skip[1] == XCB_ATOM_NONE)
        return;
    // The window manager drops the property when the window is withdrawn, so it is set anew
    // before every map.
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window), state,
                        XCB_ATOM_ATOM, 32, uint32_t(skip.size()), skip.data());
}
