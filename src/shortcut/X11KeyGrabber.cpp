#include "X11KeyGrabber.h"

#include "VirtualKeyMap.h"
#include "shared/Logging.h"
#include "shared/X11.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr xcb_keysym_t numLockKeysym = 0xff7f; // XK_Num_Lock
// The modifier bits of an event's state; above them lie the pointer buttons and the XKB group.
constexpr quint16 modifierBits = 0xff;
// XKB events share one event code and tell their kind in the second byte.
constexpr quint8 xkbNewKeyboardNotify = 0;
constexpr quint8 xkbMapNotify = 1;

struct Combination
{
    xcb_window_t root;
    quint16 modifiers;
};

struct Grab
{
    ShortcutId id;
    xcb_keycode_t keycode = 0;
    quint16 modifiers = 0;
    // What the server holds for this grab: every root window with every lock state.
    std::vector<Combination> combinations;
    // Held keys repeat; only the first press of a hold counts. A repeat comes either as another
    // press, or as a release and a press with the same time.
    bool down = false;
    xcb_timestamp_t releasedAt = 0;
};

} // namespace

class X11KeyGrabber::Private : public QAbstractNativeEventFilter
{
public:
    explicit Private(X11KeyGrabber *q);
    ~Private() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    [[nodiscard]] bool grabCombinations(Grab &grab);
    void ungrabCombinations(Grab &grab);
    void scheduleRegrab();
    void regrabAll();
    [[nodiscard]] quint16 findNumLockMask() const;
    [[nodiscard]] bool isRoot(xcb_window_t window) const;
    bool handleKeyPress(const xcb_key_press_event_t &press);
    bool handleKeyRelease(const xcb_key_release_event_t &release);

    X11KeyGrabber *q;
    xcb_connection_t *connection = nullptr;
    std::vector<xcb_window_t> roots;
    quint8 xkbEventBase = 0; // 0 when the server has no XKB
    quint16 numLockMask = 0;
    bool regrabPending = false;
    std::vector<Grab> grabs;
};

X11KeyGrabber::Private::Private(X11KeyGrabber *q)
    : q(q)
    , connection(X11::connection())
{
    if (!connection)
        return;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem;
         xcb_screen_next(&it))
        roots.push_back(it.data->root);

    static constexpr char xkbName[] = "XKEYBOARD";
    const X11::Reply<xcb_query_extension_reply_t> xkb(xcb_query_extension_reply(
        connection, xcb_query_extension(connection, std::strlen(xkbName), xkbName), nullptr));
    if (xkb && xkb->present)
        xkbEventBase = xkb->first_event;

    numLockMask = findNumLockMask();
    qGuiApp->installNativeEventFilter(this);
}

X11KeyGrabber::Private::~Private()
{
    // The connection closes with the application; past that there is nothing left to release.
    if (!connection || !qGuiApp)
        return;
    for (Grab &grab : grabs)
        ungrabCombinations(grab);
}

bool X11KeyGrabber::Private::grabCombinations(Grab &grab)
{
    std::vector<quint16> lockStates{0, XCB_MOD_MASK_LOCK};
    if (numLockMask != 0)
        lockStates.insert(lockStates.end(),
                          {numLockMask, quint16(numLockMask | XCB_MOD_MASK_LOCK)});

    std::vector<std::pair<Combination, xcb_void_cookie_t>> requests;
    for (const xcb_window_t root : roots) {
        for (const quint16 lockState : lockStates) {
            const quint16 modifiers = grab.modifiers | lockState;
            const bool seen = std::any_of(requests.begin(), requests.end(), [&](const auto &r) {
                return r.first.root == root && r.first.modifiers == modifiers;
            });
            if (seen)
                continue;
            // Not owner_events: a press in one of our own windows comes to the root too.
            requests.emplace_back(Combination{root, modifiers},
                                  xcb_grab_key_checked(connection, 0, root, modifiers, grab.keycode,
                                                       XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
    }

    // Every request is checked, also after a refusal, so that no error is left behind.
    bool refused = false;
    grab.combinations.clear();
    for (const auto &[combination, cookie] : requests) {
        const X11::Reply<xcb_generic_error_t> error(xcb_request_check(connection, cookie));
        if (error) {
            qCDebug(lcX11) << "grab of key" << grab.keycode << "with modifiers"
                           << combination.modifiers << "refused, error" << error->error_code;
            refused = true;
        } else {
            grab.combinations.push_back(combination);
        }
    }
    if (refused) {
        ungrabCombinations(grab);
        return false;
    }
    return true;
}

void X11KeyGrabber::Private::ungrabCombinations(Grab &grab)
{
    // Waited for, so that the keys are free for other clients once this returns.
    std::vector<xcb_void_cookie_t> cookies;
    for (const Combination &combination : grab.combinations)
        cookies.push_back(xcb_ungrab_key_checked(connection, grab.keycode, combination.root,
                                                 combination.modifiers));
    for (const xcb_void_cookie_t cookie : cookies)
        X11::Reply<xcb_generic_error_t>(xcb_request_check(connection, cookie));
    grab.combinations.clear();
    grab.down = false;
}

void X11KeyGrabber::Private::scheduleRegrab()
{
    // One change of layout brings several notifications; they are answered once.
    if (regrabPending)
        return;
    regrabPending = true;
    QMetaObject::invokeMethod(
        q,
        [this] {
            regrabPending = false;
            regrabAll();
        },
        Qt::QueuedConnection);
}

void X11KeyGrabber::Private::regrabAll()
{
    for (Grab &grab : grabs)
        ungrabCombinations(grab);
    numLockMask = findNumLockMask();
    for (Grab &grab : grabs) {
        if (!grabCombinations(grab))
            qCDebug(lcX11) << "key" << grab.keycode << "lost after a mapping change";
    }
}

quint16 X11KeyGrabber::Private::findNumLockMask() const
{
    const X11::KeySymbols symbols(xcb_key_symbols_alloc(connection));
    if (!symbols)
        return 0;
    const X11::Reply<xcb_keycode_t> numLockKeys(
        xcb_key_symbols_get_keycode(symbols.get(), numLockKeysym));
    const X11::Reply<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!numLockKeys || !mapping)
        return 0;

    const xcb_keycode_t *keys = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    // Shift, Lock and Control keep their meaning; Num Lock is one of Mod1 to Mod5.
    for (int modifier = 3; modifier < 8; ++modifier) {
        for (int slot = 0; slot < perModifier; ++slot) {
            const xcb_keycode_t key = keys[modifier * perModifier + slot];
            for (const xcb_keycode_t *numLock = numLockKeys.get();
                 key != 0 && *numLock != XCB_NO_SYMBOL; ++numLock) {
                if (*numLock == key)
                    return quint16(1U << modifier);
            }
        }
    }
    return 0;
}

bool X11KeyGrabber::Private::isRoot(xcb_window_t window) const
{
    return std::find(roots.begin(), roots.end(), window) != roots.end();
}

bool X11KeyGrabber::Private::handleKeyPress(const xcb_key_press_event_t &press)
{
    if (!isRoot(press.event))
        return false;
    const quint16 modifiers = press.state & modifierBits & ~(XCB_MOD_MASK_LOCK | numLockMask);
    const auto grab = std::find_if(grabs.begin(), grabs.end(), [&](const Grab &g) {
        return g.keycode == press.detail && g.modifiers == modifiers;
    });
    if (grab == grabs.end())
        return false;
    const bool repeat = grab->down || (grab->releasedAt != 0 && grab->releasedAt == press.time);
    grab->down = true;
    if (repeat)
        return true;
    // Emitted last: a receiver may grab or ungrab at once.
    Q_EMIT q->pressed(grab->id);
    return true;
}

bool X11KeyGrabber::Private::handleKeyRelease(const xcb_key_release_event_t &release)
{
    // A window of ours that grabbed the keyboard meanwhile gets the release instead of the root;
    // it still ends the hold.
    bool ours = false;
    for (Grab &grab : grabs) {
        if (grab.keycode == release.detail) {
            grab.down = false;
            grab.releasedAt = release.time;
            ours = true;
        }
    }
    return ours && isRoot(release.event);
}

bool X11KeyGrabber::Private::nativeEventFilter(const QByteArray &eventType, void *message,
                                               qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const quint8 type = event->response_type & 0x7f;
    switch (type) {
    case XCB_KEY_PRESS:
        return handleKeyPress(*reinterpret_cast<const xcb_key_press_event_t *>(event));
    case XCB_KEY_RELEASE:
        return handleKeyRelease(*reinterpret_cast<const xcb_key_release_event_t *>(event));
    case XCB_MAPPING_NOTIFY:
        if (reinterpret_cast<const xcb_mapping_notify_event_t *>(event)->request
            != XCB_MAPPING_POINTER)
            scheduleRegrab();
        return false;
    default:
        // Qt listens for XKB's own notifications, which replace MappingNotify for it.
        if (xkbEventBase != 0 && type == xkbEventBase
            && (event->pad0 == xkbNewKeyboardNotify || event->pad0 == xkbMapNotify))
            scheduleRegrab();
        return false;
    }
}

bool X11KeyGrabber::isAvailable()
{
    return X11::connection() != nullptr;
}

X11KeyGrabber::X11KeyGrabber(QObject *parent)
    : KeyGrabber(Mechanism::keyGrab, parent)
    , d(std::make_unique<Private>(this))
{
}

X11KeyGrabber::~X11KeyGrabber() = default;

bool X11KeyGrabber::grab(ShortcutId id, quint32 keyCode, quint32 carbonModifiers)
{
    ungrab(id);
    const std::optional<quint32> keycode = VirtualKeyMap::x11FromVirtualKey(keyCode);
    if (!d->connection || !keycode)
        return false;
    Grab grab;
    grab.id = id;
    grab.keycode = xcb_keycode_t(*keycode);
    grab.modifiers = VirtualKeyMap::x11ModifiersFromCarbon(carbonModifiers);
    if (!d->grabCombinations(grab))
        return false;
    d->grabs.push_back(std::move(grab));
    return true;
}

void X11KeyGrabber::ungrab(ShortcutId id)
{
    const auto grab =
        std::find_if(d->grabs.begin(), d->grabs.end(), [&](const Grab &g) { return g.id == id; });
    if (grab == d->grabs.end())
        return;
    d->ungrabCombinations(*grab);
    d->grabs.erase(grab);
}
