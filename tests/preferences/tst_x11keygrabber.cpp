#include "SettingsFixture.h"
#include "X11TestClient.h"

#include "preferences/HotKeyService.h"
#include "preferences/X11KeyGrabber.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 control = HotKeyShortcut::controlModifier;
constexpr quint32 option = HotKeyShortcut::optionModifier;
constexpr quint32 command = HotKeyShortcut::commandModifier;
constexpr quint32 shift = HotKeyShortcut::shiftModifier;

const HotKeyShortcut controlOptionCommandK{40, control | option | command, u"⌃⌥⌘K"_s};
const HotKeyShortcut shiftCommandJ{38, shift | command, u"⇧⌘J"_s};

// X11 masks of the two shortcuts, and the lock states they are grabbed with.
constexpr quint16 controlAltSuper = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
constexpr quint16 shiftSuper = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;
constexpr quint16 lockStates[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                  XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

// Turns a lock on for a scope.
class LockScope
{
public:
    LockScope(X11TestClient &client, xcb_keycode_t lockKey, bool on)
        : m_client(client)
        , m_key(on ? lockKey : 0)
    {
        if (m_key)
            m_client.type({m_key});
    }
    ~LockScope()
    {
        if (m_key)
            m_client.type({m_key});
    }
    LockScope(const LockScope &) = delete;
    LockScope &operator=(const LockScope &) = delete;

private:
    X11TestClient &m_client;
    xcb_keycode_t m_key;
};

} // namespace

class TestX11KeyGrabber : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void createsTheX11GrabberOnXcb();
    void grabIsHeldForEveryLockState();
    void pressesTrigger_data();
    void pressesTrigger();
    void heldKeyTriggersOnce();
    void changedShortcutReleasesTheOldOne();
    void combinationHeldByAnotherClient_data();
    void combinationHeldByAnotherClient();
    void startUpRefusalKeepsTheStoredShortcutSilently();
    void numLockMovedToAnotherModifier();

private:
    void startService(const std::optional<HotKeyShortcut> &stored);
    // Types a combination only the test grabs and waits for it: every press typed before it
    // has then been handled.
    void settle();

    std::unique_ptr<X11TestClient> client;
    std::unique_ptr<X11KeyGrabber> sentinelGrabber;
    bool sentinelSeen = false;

    std::unique_ptr<SettingsFixture> fixture;
    std::unique_ptr<HotKeyService> service;
    int triggers = 0;
    int triggersOffMainThread = 0;
    int beeps = 0;
};

void TestX11KeyGrabber::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
    client = std::make_unique<X11TestClient>();
    QVERIFY(client->isConnected());

    sentinelGrabber = std::make_unique<X11KeyGrabber>();
    QVERIFY(sentinelGrabber->grab({0x54455354, 9}, 0x6F /* F12 */, control | shift));
    connect(
        sentinelGrabber.get(), &KeyGrabber::pressed, this, [this] { sentinelSeen = true; },
        Qt::QueuedConnection);
}

void TestX11KeyGrabber::init()
{
    triggers = 0;
    triggersOffMainThread = 0;
    beeps = 0;
    sentinelSeen = false;
}

void TestX11KeyGrabber::cleanup()
{
    service.reset();
    fixture.reset();
}

void TestX11KeyGrabber::startService(const std::optional<HotKeyShortcut> &stored)
{
    if (!fixture)
        fixture = std::make_unique<SettingsFixture>(stored);
    service = std::make_unique<HotKeyService>(
        *fixture->preferences, std::make_unique<X11KeyGrabber>(), [this] { ++beeps; });
    service->setOnTrigger([this] {
        ++triggers;
        if (QThread::currentThread() != qApp->thread())
            ++triggersOffMainThread;
    });
}

void TestX11KeyGrabber::settle()
{
    sentinelSeen = false;
    client->type({X11TestClient::controlKey, X11TestClient::shiftKey, X11TestClient::f12Key});
    QTRY_VERIFY(sentinelSeen);
}

void TestX11KeyGrabber::createsTheX11GrabberOnXcb()
{
    const std::unique_ptr<KeyGrabber> created = KeyGrabber::create();
    QVERIFY(qobject_cast<X11KeyGrabber *>(created.get()));
}

void TestX11KeyGrabber::grabIsHeldForEveryLockState()
{
    startService(controlOptionCommandK);
    QVERIFY(service->isRegistered());
    for (const quint16 lockState : lockStates)
        QVERIFY2(!client->isFree(X11TestClient::kKey, controlAltSuper | lockState),
                 qPrintable(u"lock state %1"_s.arg(lockState)));
    // Nothing more than the shortcut is taken from other applications.
    QVERIFY(client->isFree(X11TestClient::kKey, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
    QVERIFY(client->isFree(X11TestClient::jKey, controlAltSuper));

    service.reset();
    QVERIFY(client->isFree(X11TestClient::kKey, controlAltSuper));
}

void TestX11KeyGrabber::pressesTrigger_data()
{
    QTest::addColumn<bool>("capsLock");
    QTest::addColumn<bool>("numLock");
    QTest::newRow("no lock") << false << false;
    QTest::newRow("Caps Lock on") << true << false;
    QTest::newRow("Num Lock on") << false << true;
    QTest::newRow("Caps Lock and Num Lock on") << true << true;
}

void TestX11KeyGrabber::pressesTrigger()
{
    QFETCH(bool, capsLock);
    QFETCH(bool, numLock);
    startService(controlOptionCommandK);
    const LockScope caps(*client, X11TestClient::capsLockKey, capsLock);
    const LockScope num(*client, X11TestClient::numLockKey, numLock);

    const auto combination = {X11TestClient::controlKey, X11TestClient::altKey,
                              X11TestClient::superKey, X11TestClient::kKey};
    client->type(combination);
    QTRY_COMPARE(triggers, 1);
    client->type(combination);
    // Without Super it is not the shortcut.
    client->type({X11TestClient::controlKey, X11TestClient::altKey, X11TestClient::kKey});
    settle();
    QCOMPARE(triggers, 2);
    QCOMPARE(triggersOffMainThread, 0);
}

void TestX11KeyGrabber::heldKeyTriggersOnce()
{
    startService(controlOptionCommandK);
    for (const xcb_keycode_t key :
         {X11TestClient::controlKey, X11TestClient::altKey, X11TestClient::superKey,
          X11TestClient::kKey, X11TestClient::kKey, X11TestClient::kKey})
        client->press(key);
    for (const xcb_keycode_t key : {X11TestClient::kKey, X11TestClient::superKey,
                                    X11TestClient::altKey, X11TestClient::controlKey})
        client->release(key);
    settle();
    QCOMPARE(triggers, 1);

    // Released, the next press counts again.
    client->type({X11TestClient::controlKey, X11TestClient::altKey, X11TestClient::superKey,
                  X11TestClient::kKey});
    settle();
    QCOMPARE(triggers, 2);
}

void TestX11KeyGrabber::changedShortcutReleasesTheOldOne()
{
    startService(controlOptionCommandK);
    service->setShortcut(shiftCommandJ);
    QVERIFY(service->isRegistered());
    QCOMPARE(fixture->storedShortcut(), shiftCommandJ);

    client->type({X11TestClient::controlKey, X11TestClient::altKey, X11TestClient::superKey,
                  X11TestClient::kKey});
    settle();
    QCOMPARE(triggers, 0);
    QVERIFY(client->isFree(X11TestClient::kKey, controlAltSuper));

    client->type({X11TestClient::shiftKey, X11TestClient::superKey, X11TestClient::jKey});
    settle();
    QCOMPARE(triggers, 1);
}

void TestX11KeyGrabber::combinationHeldByAnotherClient_data()
{
    QTest::addColumn<quint16>("heldLockState");
    QTest::newRow("held plain") << quint16(0);
    QTest::newRow("held only with Caps Lock") << quint16(XCB_MOD_MASK_LOCK);
    QTest::newRow("held only with Caps Lock and Num Lock")
        << quint16(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2);
}

void TestX11KeyGrabber::combinationHeldByAnotherClient()
{
    QFETCH(quint16, heldLockState);
    startService(shiftCommandJ);
    QVERIFY(service->isRegistered());
    QVERIFY(client->grab(X11TestClient::kKey, controlAltSuper | heldLockState));
    QSignalSpy settingsChanges(fixture->settings.get(), &SettingsStore::valueChanged);

    service->setShortcut(controlOptionCommandK);

    QCOMPARE(service->shortcut(), std::nullopt);
    QVERIFY(!service->isRegistered());
    QCOMPARE(fixture->preferences->hotKey(), std::nullopt);
    QVERIFY(!fixture->fileHasShortcutKey());
    QCOMPARE(settingsChanges.count(), 1);
    QCOMPARE(beeps, 1);
    // Neither the old shortcut nor the lock states that were granted stay grabbed.
    QVERIFY(client->isFree(X11TestClient::jKey, shiftSuper));
    for (const quint16 lockState : lockStates) {
        if (lockState != heldLockState)
            QVERIFY2(client->isFree(X11TestClient::kKey, controlAltSuper | lockState),
                     qPrintable(u"lock state %1"_s.arg(lockState)));
    }
    client->ungrab(X11TestClient::kKey, controlAltSuper | heldLockState);
}

void TestX11KeyGrabber::startUpRefusalKeepsTheStoredShortcutSilently()
{
    QVERIFY(client->grab(X11TestClient::kKey, controlAltSuper));
    fixture = std::make_unique<SettingsFixture>(controlOptionCommandK);
    const QByteArray fileBefore = fixture->fileContents();
    QSignalSpy settingsChanges(fixture->settings.get(), &SettingsStore::valueChanged);

    startService(std::nullopt);

    QCOMPARE(service->shortcut(), controlOptionCommandK);
    QVERIFY(!service->isRegistered());
    QCOMPARE(fixture->storedShortcut(), controlOptionCommandK);
    QCOMPARE(fixture->fileContents(), fileBefore);
    QCOMPARE(settingsChanges.count(), 0);
    QCOMPARE(beeps, 0);
    QVERIFY(client->isFree(X11TestClient::kKey, controlAltSuper | XCB_MOD_MASK_LOCK));
    client->ungrab(X11TestClient::kKey, controlAltSuper);
}

void TestX11KeyGrabber::numLockMovedToAnotherModifier()
{
    startService(controlOptionCommandK);
    int perModifier = 0;
    const std::vector<xcb_keycode_t> original = client->modifierMapping(&perModifier);
    QVERIFY(perModifier > 0);

    // Num Lock from Mod2 to Mod3, as some keymaps have it.
    std::vector<xcb_keycode_t> moved = original;
    const auto row = [&](int modifier) {
        return moved.begin() + modifier * perModifier;
    };
    std::replace(row(4), row(5), X11TestClient::numLockKey, xcb_keycode_t(0));
    *std::find(row(5), row(6), xcb_keycode_t(0)) = X11TestClient::numLockKey;
    QVERIFY(client->setModifierMapping(moved, perModifier));

    QTRY_VERIFY(!client->isFree(X11TestClient::kKey, controlAltSuper | XCB_MOD_MASK_3));
    {
        const LockScope numLock(*client, X11TestClient::numLockKey, true);
        client->type({X11TestClient::controlKey, X11TestClient::altKey, X11TestClient::superKey,
                      X11TestClient::kKey});
        settle();
        QCOMPARE(triggers, 1);
    }

    QVERIFY(client->setModifierMapping(original, perModifier));
    QTRY_VERIFY(!client->isFree(X11TestClient::kKey, controlAltSuper | XCB_MOD_MASK_2));
    QVERIFY(client->isFree(X11TestClient::kKey, controlAltSuper | XCB_MOD_MASK_3));
}

QTEST_MAIN(TestX11KeyGrabber)
#include "tst_x11keygrabber.moc"
