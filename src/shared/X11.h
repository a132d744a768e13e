#pragma once

#include "CHandle.h"

#include <QByteArrayView>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

// What the code talking to the X server shares.
namespace X11 {

/// A reply from the server, freed with the C library's free.
template<typename T> using Reply = CHandle<T, std::free>;

/// The server's key symbol table.
using KeySymbols = CHandle<xcb_key_symbols_t, xcb_key_symbols_free>;

/// The application's own connection; null outside the xcb platform.
[[nodiscard]] xcb_connection_t *connection();

/// XCB_ATOM_NONE when the server does not answer.
[[nodiscard]] xcb_atom_t internAtom(xcb_connection_t *connection, QByteArrayView name);

} // namespace X11
