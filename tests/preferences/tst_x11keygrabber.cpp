#include "X11TestClient.h"

#include "preferences/X11KeyGrabber.h"

#include <QGuiApplication>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;
using Client = X11TestClient;

namespace {

constexpr HotKeyId shortcutId{0x5453414c, 1};
constexpr HotKeyId sentinelId{0x54455354, 9};
constexpr quint32 kCode = 40; // virtual key codes
constexpr quint32 jCode = 38;
constexpr quint32 controlOptionCommand = 0x1900; // Carbon modifiers
constexpr quint32 shiftCommand = 0x300;

// X11 masks of the two shortcuts, and the lock states they are grabbed with.
constexpr quint16 controlAltSuper = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
constexpr quint16 shiftSuper = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;
constexpr quint16 capsLock = XCB_MOD_MASK_LOCK;
constexpr quint16 numLock = XCB_MOD_MASK_2;
constexpr quint16 lockStates[] = {0, capsLock, numLock, capsLock | numLock};
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
    [[nodiscard]] QList<bool> freeUnderLocks(xcb_keycode_t key, quint16 modifiers)
    {
        QList<bool> free;
        for (const quint16 lockState : lockStates)
            free.append(client.isFree(key, modifiers | lockState));
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
        connect(grabber.get(), &KeyGrabber::pressed, this, [this](HotKeyId id) {
            presses += id == shortcutId;
            sentinelSeen = sentinelSeen || id == sentinelId;
        });
        QVERIFY(grabber->grab(sentinelId, 0x6F /* F12 */, 0x1200 /* Control Shift */));
    }

    void cleanup() { grabber.reset(); }

    void grabHoldsUnderEveryLockState_data()
    {
        QTest::addColumn<quint16>("locksOn");
        QTest::newRow("no lock") << quint16(0);
        QTest::newRow("Caps Lock on") << capsLock;
        QTest::newRow("Num Lock on") << numLock;
        QTest::newRow("Caps Lock and Num Lock on") << quint16(capsLock | numLock);
    }

    void grabHoldsUnderEveryLockState()
    {
        QFETCH(quint16, locksOn);
        QVERIFY(grabber->grab(shortcutId, kCode, controlOptionCommand));
        QCOMPARE(freeUnderLocks(Client::kKey, controlAltSuper), QList<bool>(4, false));
        // Nothing more than the shortcut is taken from other applications.
        QVERIFY(client.isFree(Client::kKey, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
        QVERIFY(client.isFree(Client::jKey, controlAltSuper));

        const auto toggleLocks = [&] {
            if (locksOn & capsLock)
                client.type({Client::capsLockKey});
            if (locksOn & numLock)
                client.type({Client::numLockKey});
        };
        toggleLocks();
        const auto locksOff = qScopeGuard(toggleLocks);
        // Held down, the key repeats: one press all the same.
        client.type(
            {Client::controlKey, Client::altKey, Client::superKey, Client::kKey, Client::kKey});
        client.type(controlAltSuperK);
        // Without Super it is not the shortcut.
        client.type({Client::controlKey, Client::altKey, Client::kKey});
        settle();
        QCOMPARE(presses, 2);

        grabber.reset();
        QCOMPARE(freeUnderLocks(Client::kKey, controlAltSuper), QList<bool>(4, true));
    }

    void grabUnderTheSameIdReplacesTheOldOne()
    {
        QVERIFY(grabber->grab(shortcutId, kCode, controlOptionCommand));
        QVERIFY(grabber->grab(shortcutId, jCode, shiftCommand));
        QCOMPARE(freeUnderLocks(Client::kKey, controlAltSuper), QList<bool>(4, true));
        client.type(controlAltSuperK);
        client.type({Client::shiftKey, Client::superKey, Client::jKey});
        settle();
        QCOMPARE(presses, 1);
    }

    void combinationHeldByAnotherClient_data()
    {
        QTest::addColumn<quint16>("heldLockState");
        QTest::newRow("held plain") << quint16(0);
        QTest::newRow("held only with Caps Lock") << capsLock;
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

    void numLockOnAnotherModifier()
    {
        QVERIFY(grabber->grab(shortcutId, kCode, controlOptionCommand));
        QVERIFY(client.moveModifierKey(Client::numLockKey, 4, 5)); // Mod2 to Mod3
        QTRY_VERIFY(!client.isFree(Client::kKey, controlAltSuper | XCB_MOD_MASK_3));
        client.type({Client::numLockKey});
        client.type(controlAltSuperK);
        client.type({Client::numLockKey});
        settle();
        QCOMPARE(presses, 1);

        QVERIFY(client.moveModifierKey(Client::numLockKey, 5, 4));
        QTRY_VERIFY(!client.isFree(Client::kKey, controlAltSuper | XCB_MOD_MASK_2));
        QVERIFY(client.isFree(Client::kKey, controlAltSuper | XCB_MOD_MASK_3));
    }
};

QTEST_MAIN(TestX11KeyGrabber)
#include "tst_x11keygrabber.moc"
