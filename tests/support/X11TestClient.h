#pragma once

#include <QList>
#include <QtGlobal>

#include <xcb/xcb.h>
// xkb.h names a member "explicit", which C++ reserves.
#define explicit xkb_explicit
#include <xcb/xkb.h>
#undef explicit
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

// Another client of the test's X server, on a connection of its own: it grabs keys as a second
// application would, types through XTEST and changes the keyboard mapping.
class X11TestClient
{
public:
    // X11 key codes of a US keyboard under Xvfb.
    static constexpr xcb_keycode_t controlKey = 37, altKey = 64, superKey = 133, shiftKey = 50,
                                   capsLockKey = 66, numLockKey = 77, jKey = 44, kKey = 45,
                                   f12Key = 96;

    X11TestClient()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (isConnected())
            m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~X11TestClient() { xcb_disconnect(m_connection); }
    X11TestClient(const X11TestClient &) = delete;
    X11TestClient &operator=(const X11TestClient &) = delete;

    [[nodiscard]] bool isConnected() const { return !xcb_connection_has_error(m_connection); }

    /// False when another client holds the combination.
    [[nodiscard]] bool grab(xcb_keycode_t key, quint16 modifiers)
    {
        return !Reply<xcb_generic_error_t>(xcb_request_check(
            m_connection, xcb_grab_key_checked(m_connection, 0, m_root, modifiers, key,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
    }
    void ungrab(xcb_keycode_t key, quint16 modifiers)
    {
        xcb_ungrab_key(m_connection, key, m_root, modifiers);
        sync();
    }
    /// Whether the combination is free: grabbed and released again at once.
    [[nodiscard]] bool isFree(xcb_keycode_t key, quint16 modifiers)
    {
        const bool free = grab(key, modifiers);
        ungrab(key, modifiers);
        return free;
    }

    /// Presses the keys in order and releases them in reverse. The first press comes a
    /// millisecond after what was typed before: a release and a press with the same time are an
    /// autorepeat.
    void type(const std::vector<xcb_keycode_t> &keys)
    {
        for (std::size_t i = 0; i < keys.size(); ++i)
            xcb_test_fake_input(m_connection, XCB_KEY_PRESS, keys[i], i == 0 ? 1 : XCB_CURRENT_TIME,
                                XCB_NONE, 0, 0, 0);
        for (auto key = keys.rbegin(); key != keys.rend(); ++key)
            xcb_test_fake_input(m_connection, XCB_KEY_RELEASE, *key, XCB_CURRENT_TIME, XCB_NONE, 0,
                                0, 0);
        sync();
    }
    /// Waits until the server has carried out everything sent so far.
    void sync()
    {
        Reply<void>(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    /// Moves a key from one of the eight modifiers to another, as some keymaps place Num Lock.
    [[nodiscard]] bool moveModifierKey(xcb_keycode_t key, int from, int to)
    {
        const Reply<xcb_get_modifier_mapping_reply_t> mapping(xcb_get_modifier_mapping_reply(
            m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
        if (!mapping)
            return false;
        const int width = mapping->keycodes_per_modifier;
        xcb_keycode_t *keys = xcb_get_modifier_mapping_keycodes(mapping.get());
        std::replace(keys + from * width, keys + (from + 1) * width, key, xcb_keycode_t(0));
        *std::find(keys + to * width, keys + (to + 1) * width, xcb_keycode_t(0)) = key;
        const Reply<xcb_set_modifier_mapping_reply_t> set(xcb_set_modifier_mapping_reply(
            m_connection, xcb_set_modifier_mapping(m_connection, width, keys), nullptr));
        return set && set->status == XCB_MAPPING_STATUS_SUCCESS;
    }
    /// Gives a key these keysyms, column by column.
    void setKeysyms(xcb_keycode_t key, const std::vector<xcb_keysym_t> &keysyms)
    {
        xcb_change_keyboard_mapping(m_connection, 1, key, quint8(keysyms.size()), keysyms.data());
        sync();
    }
    /// Locks the keyboard group, as switching layouts does.
    void lockGroup(quint8 group)
    {
        std::free(xcb_xkb_use_extension_reply(m_connection,
                                              xcb_xkb_use_extension(m_connection, 1, 0), nullptr));
        xcb_xkb_latch_lock_state(m_connection, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, group, 0, 0, 0);
        sync();
    }

    [[nodiscard]] xcb_atom_t atom(const char *name)
    {
        const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, quint16(std::strlen(name)), name),
            nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    /// A window property of 32-bit items; empty when it is absent or of another type.
    [[nodiscard]] QList<quint32> property(xcb_window_t window, const char *name, xcb_atom_t type)
    {
        const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, atom(name), type, 0, 1 << 20),
            nullptr));
        if (!reply || reply->format != 32)
            return {};
        const auto *items = static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
        return {items, items + xcb_get_property_value_length(reply.get()) / 4};
    }

private:
    template<typename T>
    using Reply = std::unique_ptr<T, decltype([](void *reply) { std::free(reply); })>;

    xcb_connection_t *m_connection;
    xcb_window_t m_root = XCB_NONE;
};
