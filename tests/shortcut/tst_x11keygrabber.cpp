#include "X11TestClient.h"

#include "shortcut/X11KeyGrabber.h"

#include <QGuiApplication>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;
using Client = X11TestClient;

namespace {

constexpr ShortcutId shortcutId{0x5453414c, 1};
constexpr ShortcutId sentinelId{0x54455354, 9};
constexpr quint32 kCode = 40; // virtual key codes
constexpr quint32 jCode = 38;
constexpr quint32 controlOptionCommand = 0x1900; // Carbon modifiers
constexpr quint32 shiftCommand = 0x300;

// X11 masks of the two shortcuts, and the lock states they are grabbed with.
constexpr quint16 controlAltSuper = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
constexpr quint16 shiftSuper = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;
constexpr quint16 capsLock = XCB_MOD_MASK_LOCK;
constexpr quint16 numLock = XCB_MOD_MASK_2;
const std::vector<xcb_keycode_t> controlAltSuperK{Client::controlKey, Client::altKey,
                                                  Client::superKey, Client::kKey};

} // namespace

class TestX11KeyGrabber : public QObject
{
    Q_OBJECT

    Client client;
    std::unique_ptr<X11KeyGrabber> grabber;
    int presses = 0;
    bool sentinelSeen = false;

    // Types a combination only the test grabs and waits for it: every press typed before it
    // has then been handled.
    void settle()
    {
        sentinelSeen = false;
        client.type({Client::controlKey, Client::shiftKey, Client::f12Key});
        QTRY_VERIFY(sentinelSeen);
    }

    // Whether another application can take the combination under none, some or all locks.
    [[nodiscard]] QList<bool> freeUnderLocks(xcb_keycode_t key, quint16 modifiers,
                                             quint16 numLockMask = numLock)
    {
        QList<bool> free;
        for (const int locks : {0, int(capsLock), int(numLockMask), capsLock | numLockMask})
            free.append(client.isFree(key, modifiers | locks));
        return free;
    }

private Q_SLOTS:
    void init()
    {
        QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
        QVERIFY(client.isConnected());
        QVERIFY(qobject_cast<X11KeyGrabber *>(KeyGrabber::create().get()));
        presses = 0;
        grabber = std::make_unique<X11KeyGrabber>();
        connect(grabber.get(), &KeyGrabber::pressed, this, [this](ShortcutId id) {
            presses += id == shortcutId;
            sentinelSeen = sentinelSeen || id == sentinelId;
        });
        QVERIFY(grabber->grab(sentinelId, 0x6F /* F12 */, 0x1200 /* Control Shift */));
    }

    void cleanup() { grabber.reset(); }

    void grabHoldsUnderEveryLockState_data()
    {
        QTest::addColumn<quint16>("locksOn");
        QTest::addColumn<quint16>("numLockMask");
        QTest::newRow("no lock") << quint16(0) << numLock;
        QTest::newRow("Caps Lock on") << capsLock << numLock;
        QTest::newRow("Num Lock on") << numLock << numLock;
        QTest::newRow("Caps Lock and Num Lock on") << quint16(capsLock | numLock) << numLock;
        // As some keymaps have it: the grab follows when the mapping changes.
        QTest::newRow("Num Lock on, moved to Mod3") << numLock << quint16(XCB_MOD_MASK_3);
    }

    void grabHoldsUnderEveryLockState()
    {
        QFETCH(quint16, locksOn);
        QFETCH(quint16, numLockMask);
        // A grab under the same identity replaces the one before.
        QVERIFY(grabber->grab(shortcutId, jCode, shiftCommand));
        QVERIFY(grabber->grab(shortcutId, kCode, controlOptionCommand));
        const bool moved = numLockMask != numLock;
        QVERIFY(!moved || client.moveModifierKey(Client::numLockKey, 4, 5));
        const auto moveBack = qScopeGuard(
            [&] { QVERIFY(!moved || client.moveModifierKey(Client::numLockKey, 5, 4)); });
        QTRY_COMPARE(freeUnderLocks(Client::kKey, controlAltSuper, numLockMask),
                     QList<bool>(4, false));
        QCOMPARE(freeUnderLocks(Client::jKey, shiftSuper), QList<bool>(4, true));
        // Nothing more than the shortcut is taken from other applications.
        QVERIFY(client.isFree(Client::kKey, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));

        const auto toggleLocks = [&] {
            if (locksOn & capsLock)
                client.type({Client::capsLockKey});
            if (locksOn & numLock)
                client.type({Client::numLockKey});
        };
        toggleLocks();
        const auto locksOff = qScopeGuard(toggleLocks);
        // A press counts again once the key was released, whatever the locks.
        client.type(controlAltSuperK);
        client.type(controlAltSuperK);
        // Without Super it is not the shortcut, nor is the one replaced.
        client.type({Client::controlKey, Client::altKey, Client::kKey});
        client.type({Client::shiftKey, Client::superKey, Client::jKey});
        settle();
        QCOMPARE(presses, 2);

        grabber.reset();
        QCOMPARE(freeUnderLocks(Client::kKey, controlAltSuper, numLockMask), QList<bool>(4, true));
    }

    void combinationHeldByAnotherClient_data()
    {
        QTest::addColumn<quint16>("heldLockState");
        QTest::newRow("held plain") << quint16(0);
        QTest::newRow("held only with both locks") << quint16(capsLock | numLock);
    }

    void combinationHeldByAnotherClient()
    {
        QFETCH(quint16, heldLockState);
        QVERIFY(grabber->grab(shortcutId, jCode, shiftCommand));
        QVERIFY(client.grab(Client::kKey, controlAltSuper | heldLockState));

        QVERIFY(!grabber->grab(shortcutId, kCode, controlOptionCommand));
        // Neither the old shortcut nor the lock states that were granted stay grabbed.
        QCOMPARE(freeUnderLocks(Client::jKey, shiftSuper), QList<bool>(4, true));
        client.ungrab(Client::kKey, controlAltSuper | heldLockState);
        QCOMPARE(freeUnderLocks(Client::kKey, controlAltSuper), QList<bool>(4, true));
    }
};

QTEST_MAIN(TestX11KeyGrabber)
#include "tst_x11keygrabber.moc"
