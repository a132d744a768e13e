#include "X11WindowHints.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct FreeDeleter
{
    void operator()(void *pointer) const { std::free(pointer); }
};

xcb_connection_t *x11Connection()
{
    if (!qGuiApp || QGuiApplication::platformName() != "xcb"_L1)
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t internAtom(xcb_connection_t *connection, QByteArrayView name)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.data()), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// Sets an atom-list property; leaves the window alone when any atom is unknown.
void setAtoms(WId window, QByteArrayView property, std::initializer_list<QByteArrayView> names)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection || window == 0)
        return;
    const xcb_atom_t propertyAtom = internAtom(connection, property);
    std::vector<xcb_atom_t> atoms;
    for (const QByteArrayView name : names)
        atoms.push_back(internAtom(connection, name));
    if (propertyAtom == XCB_ATOM_NONE
        || std::find(atoms.cbegin(), atoms.cend(), xcb_atom_t(XCB_ATOM_NONE)) != atoms.cend())
        return;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window), propertyAtom,
                        XCB_ATOM_ATOM, 32, uint32_t(atoms.size()), atoms.data());
    xcb_flush(connection);
}

} // namespace

void X11WindowHints::skipTaskbar(WId window)
{
    setAtoms(window, "_NET_WM_STATE", {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"});
}

void X11WindowHints::markAsDialog(WId window)
{
    // Normal last, as the fallback for window managers that know no dialogs.
    setAtoms(window, "_NET_WM_WINDOW_TYPE",
             {"_NET_WM_WINDOW_TYPE_DIALOG", "_NET_WM_WINDOW_TYPE_NORMAL"});
}
