#include "X11KeyboardLayout.h"

#include "shared/X11.h"

// xkb.h names a member "explicit", which C++ reserves.
#define explicit xkb_explicit
#include <xcb/xkb.h>
#undef explicit

namespace {

// The first two levels of a key in the keyboard group the user has active.
struct KeyLevels
{
    quint32 alone = 0;
    quint32 second = 0;
};

constexpr quint32 keypadZero = 0xffb0; // XK_KP_0
constexpr quint32 keypadNine = 0xffb9;
constexpr quint32 unicodeKeysymBase = 0x01000000;

bool isKeypadDigit(quint32 keysym)
{
    return keysym >= keypadZero && keysym <= keypadNine;
}

// Nothing when the server has no XKB.
std::optional<KeyLevels> activeGroupLevels(xcb_connection_t *connection, quint32 x11Keycode)
{
    const X11::Reply<xcb_xkb_use_extension_reply_t> extension(xcb_xkb_use_extension_reply(
        connection, xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
        nullptr));
    if (!extension || !extension->supported)
        return std::nullopt;
    const auto keyboard = xcb_xkb_device_spec_t(XCB_XKB_ID_USE_CORE_KBD);
    const X11::Reply<xcb_xkb_get_state_reply_t> state(
        xcb_xkb_get_state_reply(connection, xcb_xkb_get_state(connection, keyboard), nullptr));
    const auto keycode = xcb_keycode_t(x11Keycode);
    const X11::Reply<xcb_xkb_get_map_reply_t> map(
        xcb_xkb_get_map_reply(connection,
                              xcb_xkb_get_map(connection, keyboard, 0, XCB_XKB_MAP_PART_KEY_SYMS, 0,
                                              0, keycode, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),
                              nullptr));
    if (!state || !map || map->nKeySyms != 1)
        return std::nullopt;
    xcb_xkb_get_map_map_t parts{};
    xcb_xkb_get_map_map_unpack(xcb_xkb_get_map_map(map.get()), map->nTypes, map->nKeySyms,
                               map->nKeyActions, map->totalActions, map->totalKeyBehaviors,
                               map->virtualMods, map->totalKeyExplicit, map->totalModMapKeys,
                               map->totalVModMapKeys, map->present, &parts);
    const xcb_xkb_key_sym_map_iterator_t keys =
        xcb_xkb_get_map_map_syms_rtrn_iterator(map.get(), &parts);
    if (keys.rem < 1)
        return KeyLevels{};
    const xcb_xkb_key_sym_map_t *key = keys.data;
    const int groups = key->groupInfo & 0x0f;
    const int width = key->width;
    if (groups == 0 || width == 0)
        return KeyLevels{};
    // A key with fewer groups than the layout wraps the active group round, as XKB does.
    const int first = (state->group % groups) * width;
    const xcb_keysym_t *symbols = xcb_xkb_key_sym_map_syms(key);
    const int count = xcb_xkb_key_sym_map_syms_length(key);
    return KeyLevels{first < count ? symbols[first] : 0u,
                     width > 1 && first + 1 < count ? symbols[first + 1] : 0u};
}

} // namespace

std::optional<QString> X11KeyboardLayout::unmodifiedText(quint32 x11Keycode)
{
    xcb_connection_t *connection = X11::connection();
    if (!connection || x11Keycode > 255)
        return std::nullopt;
    // Read afresh at each press: the user may have switched layouts since the last one.
    std::optional<KeyLevels> levels = activeGroupLevels(connection, x11Keycode);
    if (!levels) {
        // Without XKB the core mapping's first group is all there is.
        const X11::KeySymbols symbols(xcb_key_symbols_alloc(connection));
        if (!symbols)
            return std::nullopt;
        const auto keycode = xcb_keycode_t(x11Keycode);
        levels = KeyLevels{xcb_key_symbols_get_keysym(symbols.get(), keycode, 0),
                           xcb_key_symbols_get_keysym(symbols.get(), keycode, 1)};
    }
    // A keypad key has its digit on the second level.
    if (isKeypadDigit(levels->second))
        return keysymText(levels->second);
    return keysymText(levels->alone);
}

std::optional<QString> X11KeyboardLayout::keysymText(quint32 keysym)
{
    if ((keysym >= 0x20 && keysym <= 0x7e) || (keysym >= 0xa0 && keysym <= 0xff))
        return QString(QChar(char16_t(keysym)));
    if (keysym >= unicodeKeysymBase + 0x100 && keysym <= unicodeKeysymBase + 0x10ffff) {
        const char32_t codePoint = keysym - unicodeKeysymBase;
        return QString::fromUcs4(&codePoint, 1);
    }
    if (isKeypadDigit(keysym))
        return QString(QChar(u'0' + char16_t(keysym - keypadZero)));
    return std::nullopt;
}
