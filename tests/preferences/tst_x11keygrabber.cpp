#include "SettingsFixture.h"
#include "X11TestClient.h"

#include "preferences/HotKeyService.h"
#include "preferences/X11KeyGrabber.h"

#include <QGuiApplication>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;
using Client = X11TestClient;

namespace {

const HotKeyShortcut controlOptionCommandK{40, 0x1900, u"⌃⌥⌘K"_s};
const HotKeyShortcut shiftCommandJ{38, 0x300, u"⇧⌘J"_s};

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

    std::unique_ptr<Client> client;
    std::unique_ptr<X11KeyGrabber> sentinelGrabber;
    bool sentinelSeen = false;
    std::unique_ptr<SettingsFixture> fixture;
    std::unique_ptr<HotKeyService> service;
    int triggers = 0; // on the main thread only
    int beeps = 0;

    void startService(const HotKeyShortcut &stored)
    {
        fixture = std::make_unique<SettingsFixture>(stored);
        service = std::make_unique<HotKeyService>(
            *fixture->preferences, std::make_unique<X11KeyGrabber>(), [this] { ++beeps; });
        service->setOnTrigger([this] { triggers += QThread::currentThread() == thread(); });
    }

    // Types a combination only the test grabs and waits for it: every press typed before it
    // has then been handled.
    void settle()
    {
        sentinelSeen = false;
        client->type({Client::controlKey, Client::shiftKey, Client::f12Key});
        QTRY_VERIFY(sentinelSeen);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
        QVERIFY(qobject_cast<X11KeyGrabber *>(KeyGrabber::create().get()));
        client = std::make_unique<Client>();
        QVERIFY(client->isConnected());
        sentinelGrabber = std::make_unique<X11KeyGrabber>();
        QVERIFY(
            sentinelGrabber->grab({0x54455354, 9}, 0x6F /* F12 */,
                                  HotKeyShortcut::controlModifier | HotKeyShortcut::shiftModifier));
        connect(
            sentinelGrabber.get(), &KeyGrabber::pressed, this, [this] { sentinelSeen = true; },
            Qt::QueuedConnection);
    }

    void init() { triggers = beeps = 0; }

    void cleanup()
    {
        service.reset();
        fixture.reset();
    }

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
        startService(controlOptionCommandK);
        QVERIFY(service->isRegistered());
        for (const quint16 lockState : lockStates)
            QVERIFY2(!client->isFree(Client::kKey, controlAltSuper | lockState),
                     qPrintable(QString::number(lockState)));
        // Nothing more than the shortcut is taken from other applications.
        QVERIFY(client->isFree(Client::kKey, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
        QVERIFY(client->isFree(Client::jKey, controlAltSuper));

        const auto toggleLocks = [&] {
            if (locksOn & capsLock)
                client->type({Client::capsLockKey});
            if (locksOn & numLock)
                client->type({Client::numLockKey});
        };
        toggleLocks();
        const auto locksOff = qScopeGuard(toggleLocks);
        client->type(controlAltSuperK);
        QTRY_COMPARE(triggers, 1);
        client->type(controlAltSuperK);
        // Without Super it is not the shortcut.
        client->type({Client::controlKey, Client::altKey, Client::kKey});
        settle();
        QCOMPARE(triggers, 2);

        service.reset();
        QVERIFY(client->isFree(Client::kKey, controlAltSuper));
    }

    void heldKeyTriggersOnce()
    {
        startService(controlOptionCommandK);
        for (const xcb_keycode_t key : {Client::controlKey, Client::altKey, Client::superKey,
                                        Client::kKey, Client::kKey, Client::kKey})
            client->press(key);
        for (const xcb_keycode_t key :
             {Client::kKey, Client::superKey, Client::altKey, Client::controlKey})
            client->release(key);
        settle();
        QCOMPARE(triggers, 1);
        // Released, the next press counts again.
        client->type(controlAltSuperK);
        settle();
        QCOMPARE(triggers, 2);
    }

    void changedShortcutReleasesTheOldOne()
    {
        startService(controlOptionCommandK);
        service->setShortcut(shiftCommandJ);
        QVERIFY(service->isRegistered());
        QCOMPARE(fixture->storedShortcut(), shiftCommandJ);
        client->type(controlAltSuperK);
        settle();
        QCOMPARE(triggers, 0);
        QVERIFY(client->isFree(Client::kKey, controlAltSuper));
        client->type({Client::shiftKey, Client::superKey, Client::jKey});
        settle();
        QCOMPARE(triggers, 1);
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
        startService(shiftCommandJ);
        QVERIFY(client->grab(Client::kKey, controlAltSuper | heldLockState));
        const auto release =
            qScopeGuard([&] { client->ungrab(Client::kKey, controlAltSuper | heldLockState); });
        QSignalSpy settingsChanges(fixture->settings.get(), &SettingsStore::valueChanged);

        service->setShortcut(controlOptionCommandK);

        QCOMPARE(service->shortcut(), std::nullopt);
        QVERIFY(!service->isRegistered());
        QVERIFY(!fixture->fileHasShortcutKey());
        QCOMPARE(settingsChanges.count(), 1);
        QCOMPARE(beeps, 1);
        // Neither the old shortcut nor the lock states that were granted stay grabbed.
        QVERIFY(client->isFree(Client::jKey, shiftSuper));
        for (const quint16 lockState : lockStates) {
            if (lockState != heldLockState)
                QVERIFY2(client->isFree(Client::kKey, controlAltSuper | lockState),
                         qPrintable(QString::number(lockState)));
        }
    }

    void numLockOnAnotherModifier()
    {
        startService(controlOptionCommandK);
        QVERIFY(client->moveModifierKey(Client::numLockKey, 4, 5)); // Mod2 to Mod3
        QTRY_VERIFY(!client->isFree(Client::kKey, controlAltSuper | XCB_MOD_MASK_3));
        client->type({Client::numLockKey});
        client->type(controlAltSuperK);
        client->type({Client::numLockKey});
        settle();
        QCOMPARE(triggers, 1);

        QVERIFY(client->moveModifierKey(Client::numLockKey, 5, 4));
        QTRY_VERIFY(!client->isFree(Client::kKey, controlAltSuper | XCB_MOD_MASK_2));
        QVERIFY(client->isFree(Client::kKey, controlAltSuper | XCB_MOD_MASK_3));
    }
};

QTEST_MAIN(TestX11KeyGrabber)
#include "tst_x11keygrabber.moc"
