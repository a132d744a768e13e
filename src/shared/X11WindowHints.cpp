#include "X11WindowHints.h"

#include "X11.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace {

// Sets an atom-list property; leaves the window alone when any atom is unknown.
void setAtoms(WId window, QByteArrayView property, std::initializer_list<QByteArrayView> names)
{
    xcb_connection_t *connection = X11::connection();
    if (!connection || window == 0)
        return;
    const xcb_atom_t propertyAtom = X11::internAtom(connection, property);
    std::vector<xcb_atom_t> atoms;
    for (const QByteArrayView name : names)
        atoms.push_back(X11::internAtom(connection, name));
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
