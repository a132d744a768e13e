#pragma once

#include <QList>
#include <QtGlobal>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
// xkb.h names a member "explicit", which C++ reserves.
#define explicit xkb_explicit
#include <xcb/xkb.h>
#undef explicit
#include <xcb/xtest.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

// Another client of the test's X server, on a connection of its own: it grabs keys as a second
// application would and types through XTEST.
class X11TestClient
{
public:
    // X11 key codes of a US keyboard under Xvfb.
    static constexpr xcb_keycode_t controlKey = 37;
    static constexpr xcb_keycode_t altKey = 64;
    static constexpr xcb_keycode_t superKey = 133;
    static constexpr xcb_keycode_t shiftKey = 50;
    static constexpr xcb_keycode_t capsLockKey = 66;
    static constexpr xcb_keycode_t numLockKey = 77;
    static constexpr xcb_keycode_t jKey = 44;
    static constexpr xcb_keycode_t kKey = 45;
    static constexpr xcb_keycode_t f12Key = 96;

    X11TestClient()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }

    ~X11TestClient() { xcb_disconnect(m_connection); }

    X11TestClient(const X11TestClient &) = delete;
    X11TestClient &operator=(const X11TestClient &) = delete;

    [[nodiscard]] bool isConnected() const { return !xcb_connection_has_error(m_connection); }
    [[nodiscard]] xcb_connection_t *connection() const { return m_connection; }

    /// False when another client holds the combination.
    [[nodiscard]] bool grab(xcb_keycode_t key, quint16 modifiers)
    {
        const auto cookie = xcb_grab_key_checked(m_connection, 0, m_root, modifiers, key,
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        std::unique_ptr<xcb_generic_error_t, Free> error(xcb_request_check(m_connection, cookie));
        return !error;
    }

    void ungrab(xcb_keycode_t key, quint16 modifiers)
    {
        xcb_ungrab_key(m_connection, key, m_root, modifiers);
        sync();
    }

    /// Whether the combination is free: grabbed and released again at once.
    [[nodiscard]] bool isFree(xcb_keycode_t key, quint16 modifiers)
    {
        if (!grab(key, modifiers))
            return false;
        ungrab(key, modifiers);
        return true;
    }

    void press(xcb_keycode_t key) { fake(XCB_KEY_PRESS, key); }
    void release(xcb_keycode_t key) { fake(XCB_KEY_RELEASE, key); }

    /// Presses the keys in order and releases them in reverse. The first press comes a
    /// millisecond after what was typed before: a release and a press with the same time are an
    /// autorepeat.
    void type(std::initializer_list<xcb_keycode_t> keys)
    {
        bool first = true;
        for (const xcb_keycode_t key : keys) {
            fake(XCB_KEY_PRESS, key, first ? 1 : XCB_CURRENT_TIME);
            first = false;
        }
        for (auto it = std::rbegin(keys); it != std::rend(keys); ++it)
            fake(XCB_KEY_RELEASE, *it);
        sync();
    }

    /// Waits until the server has carried out everything sent so far.
    void sync()
    {
        std::free(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    /// The modifier mapping: keycodes_per_modifier key codes for each of the eight modifiers.
    [[nodiscard]] std::vector<xcb_keycode_t> modifierMapping(int *perModifier)
    {
        std::unique_ptr<xcb_get_modifier_mapping_reply_t, Free> reply(
            xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection),
                                           nullptr));
        if (!reply)
            return {};
        *perModifier = reply->keycodes_per_modifier;
        const xcb_keycode_t *keys = xcb_get_modifier_mapping_keycodes(reply.get());
        return {keys, keys + 8 * reply->keycodes_per_modifier};
    }

    [[nodiscard]] bool setModifierMapping(const std::vector<xcb_keycode_t> &keys, int perModifier)
    {
        std::unique_ptr<xcb_set_modifier_mapping_reply_t, Free> reply(
            xcb_set_modifier_mapping_reply(
                m_connection, xcb_set_modifier_mapping(m_connection, perModifier, keys.data()),
                nullptr));
        return reply && reply->status == XCB_MAPPING_STATUS_SUCCESS;
    }

    /// The keysyms of one key, column by column.
    [[nodiscard]] std::vector<xcb_keysym_t> keysyms(xcb_keycode_t key)
    {
        std::unique_ptr<xcb_get_keyboard_mapping_reply_t, Free> reply(
            xcb_get_keyboard_mapping_reply(
                m_connection, xcb_get_keyboard_mapping(m_connection, key, 1), nullptr));
        if (!reply)
            return {};
        const xcb_keysym_t *keysyms = xcb_get_keyboard_mapping_keysyms(reply.get());
        return {keysyms, keysyms + reply->keysyms_per_keycode};
    }

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
        std::unique_ptr<xcb_intern_atom_reply_t, Free> reply(xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, quint16(std::strlen(name)), name),
            nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    /// A window property of 32-bit items; empty when it is absent or of another type.
    [[nodiscard]] QList<quint32> property(xcb_window_t window, const char *name, xcb_atom_t type)
    {
        std::unique_ptr<xcb_get_property_reply_t, Free> reply(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, atom(name), type, 0, 1 << 20),
            nullptr));
        if (!reply || reply->format != 32)
            return {};
        const auto *items = static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
        return {items, items + xcb_get_property_value_length(reply.get()) / 4};
    }

private:
    struct Free
    {
        void operator()(void *pointer) const { std::free(pointer); }
    };

    void fake(quint8 type, xcb_keycode_t key, quint32 delayMs = XCB_CURRENT_TIME)
    {
        xcb_test_fake_input(m_connection, type, key, delayMs, XCB_NONE, 0, 0, 0);
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root = XCB_NONE;
};
