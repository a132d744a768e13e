#include "FakeKeyGrabber.h"
#include "SettingsFixture.h"

#include "preferences/HotKeyService.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<HotKeyShortcut>)

namespace {

constexpr quint32 control = HotKeyShortcut::controlModifier;
constexpr quint32 option = HotKeyShortcut::optionModifier;
constexpr quint32 command = HotKeyShortcut::commandModifier;
constexpr quint32 shift = HotKeyShortcut::shiftModifier;

const HotKeyShortcut controlOptionCommandK{40, control | option | command, u"⌃⌥⌘K"_s};
const HotKeyShortcut shiftCommandJ{38, shift | command, u"⇧⌘J"_s};

struct ServiceUnderTest
{
    explicit ServiceUnderTest(const std::optional<HotKeyShortcut> &stored,
                              QList<quint32> refusedKeyCodes = {})
        : fixture(stored)
    {
        auto owned = std::make_unique<FakeKeyGrabber>();
        grabber = owned.get();
        grabber->refusedKeyCodes = std::move(refusedKeyCodes);
        fileAtStart = fixture.fileContents();
        settingsChanges =
            std::make_unique<QSignalSpy>(fixture.settings.get(), &SettingsStore::valueChanged);
        service = std::make_unique<HotKeyService>(*fixture.preferences, std::move(owned),
                                                  [this] { ++beeps; });
    }

    SettingsFixture fixture;
    FakeKeyGrabber *grabber = nullptr;
    QByteArray fileAtStart;
    std::unique_ptr<QSignalSpy> settingsChanges;
    std::unique_ptr<HotKeyService> service;
    int beeps = 0;
};

} // namespace

class TestHotKeyService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUpGrabsTheStoredShortcutWithoutWriting();
    void startUpRefusalIsSilentAndKeepsTheStoredShortcut();
    void invalidStoredShortcutIsNeverGrabbed_data();
    void invalidStoredShortcutIsNeverGrabbed();
    void setShortcut_data();
    void setShortcut();
    void refusalLeavesNoShortcutAnywhere();
    void pressCallsOnTriggerFromTheEventLoop();
    void withoutAnyWayNothingIsRefusedOrLost();
    void desktopTriggerFollowsTheDesktop();
};

void TestHotKeyService::startUpGrabsTheStoredShortcutWithoutWriting()
{
    ServiceUnderTest t(controlOptionCommandK);
    QCOMPARE(t.grabber->calls, QStringList{u"grab 40 1900 5453414c/1"_s});
    QVERIFY(t.service->isRegistered());
    QCOMPARE(t.service->shortcut(), controlOptionCommandK);
    QCOMPARE(t.settingsChanges->count(), 0);
    QCOMPARE(t.fixture.fileContents(), t.fileAtStart);
    QCOMPARE(t.beeps, 0);
}

void TestHotKeyService::startUpRefusalIsSilentAndKeepsTheStoredShortcut()
{
    ServiceUnderTest t(controlOptionCommandK, {40});
    QVERIFY(!t.service->isRegistered());
    QCOMPARE(t.service->shortcut(), controlOptionCommandK);
    QCOMPARE(t.fixture.preferences->hotKey(), controlOptionCommandK);
    QCOMPARE(t.fixture.storedShortcut(), controlOptionCommandK);
    QCOMPARE(t.settingsChanges->count(), 0);
    QCOMPARE(t.beeps, 0);
}

void TestHotKeyService::invalidStoredShortcutIsNeverGrabbed_data()
{
    QTest::addColumn<HotKeyShortcut>("stored");
    QTest::newRow("key code 0, the A key") << HotKeyShortcut{0, command, u"⌘A"_s};
    QTest::newRow("no modifiers") << HotKeyShortcut{40, 0, u"K"_s};
}

void TestHotKeyService::invalidStoredShortcutIsNeverGrabbed()
{
    QFETCH(HotKeyShortcut, stored);
    ServiceUnderTest t(stored);
    QVERIFY(t.grabber->calls.isEmpty());
    QVERIFY(!t.service->isRegistered());
    QCOMPARE(t.service->shortcut(), stored);
    QVERIFY(t.service->registerCurrentShortcut());
    QVERIFY(t.grabber->calls.isEmpty());
    QCOMPARE(t.fixture.storedShortcut(), stored);
    QCOMPARE(t.beeps, 0);
}

void TestHotKeyService::setShortcut_data()
{
    QTest::addColumn<std::optional<HotKeyShortcut>>("initial");
    QTest::addColumn<std::optional<HotKeyShortcut>>("next");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("registered");
    QTest::addColumn<int>("publications");
    QTest::addColumn<bool>("written");

    const std::optional<HotKeyShortcut> none;
    const HotKeyShortcut sameKeysOtherText{40, control | option | command, u"⌃⌥⌘k"_s};
    const HotKeyShortcut invalid{0, command, u"⌘A"_s};

    QTest::newRow("the same shortcut again")
        << std::optional(controlOptionCommandK) << std::optional(controlOptionCommandK)
        << QStringList{} << true << 0 << false;
    QTest::newRow("none again") << none << none << QStringList{} << false << 0 << false;
    QTest::newRow("another shortcut: release, then grab")
        << std::optional(controlOptionCommandK) << std::optional(shiftCommandJ)
        << QStringList{u"ungrab 5453414c/1"_s, u"grab 38 300 5453414c/1"_s} << true << 1 << true;
    QTest::newRow("same keys, other text")
        << std::optional(controlOptionCommandK) << std::optional(sameKeysOtherText)
        << QStringList{u"ungrab 5453414c/1"_s, u"grab 40 1900 5453414c/1"_s} << true << 1 << true;
    QTest::newRow("first shortcut")
        << none << std::optional(shiftCommandJ) << QStringList{u"grab 38 300 5453414c/1"_s} << true
        << 1 << true;
    QTest::newRow("cleared") << std::optional(controlOptionCommandK) << none
                             << QStringList{u"ungrab 5453414c/1"_s} << false << 1 << true;
    QTest::newRow("an invalid shortcut is stored, not grabbed")
        << std::optional(controlOptionCommandK) << std::optional(invalid)
        << QStringList{u"ungrab 5453414c/1"_s} << false << 1 << true;
}

void TestHotKeyService::setShortcut()
{
    QFETCH(std::optional<HotKeyShortcut>, initial);
    QFETCH(std::optional<HotKeyShortcut>, next);
    QFETCH(QStringList, calls);
    QFETCH(bool, registered);
    QFETCH(int, publications);
    QFETCH(bool, written);

    ServiceUnderTest t(initial);
    t.grabber->calls.clear();
    QSignalSpy published(t.service.get(), &HotKeyService::shortcutChanged);

    t.service->setShortcut(next);

    QCOMPARE(t.grabber->calls, calls);
    QCOMPARE(t.service->isRegistered(), registered);
    QCOMPARE(t.service->shortcut(), next);
    QCOMPARE(published.count(), publications);
    QCOMPARE(t.fixture.preferences->hotKey(), next);
    QCOMPARE(t.fixture.storedShortcut(), next);
    QCOMPARE(t.settingsChanges->count() > 0, written);
    if (!written)
        QCOMPARE(t.fixture.fileContents(), t.fileAtStart);
    QCOMPARE(t.beeps, 0);
}

void TestHotKeyService::refusalLeavesNoShortcutAnywhere()
{
    ServiceUnderTest t(controlOptionCommandK, {38});
    t.grabber->calls.clear();
    QSignalSpy published(t.service.get(), &HotKeyService::shortcutChanged);

    t.service->setShortcut(shiftCommandJ);

    // The previous shortcut is not taken back: the user ends with none.
    QCOMPARE(t.grabber->calls, (QStringList{u"ungrab 5453414c/1"_s, u"grab 38 300 5453414c/1"_s}));
    QVERIFY(!t.grabber->held);
    QVERIFY(!t.service->isRegistered());
    QCOMPARE(t.service->shortcut(), std::nullopt);
    QCOMPARE(published.count(), 2);
    QCOMPARE(published.at(0).at(0).value<std::optional<HotKeyShortcut>>(), shiftCommandJ);
    QCOMPARE(published.at(1).at(0).value<std::optional<HotKeyShortcut>>(), std::nullopt);
    QCOMPARE(t.fixture.preferences->hotKey(), std::nullopt);
    QVERIFY(!t.fixture.fileHasShortcutKey());
    QCOMPARE(t.beeps, 1);
}

void TestHotKeyService::pressCallsOnTriggerFromTheEventLoop()
{
    ServiceUnderTest t(controlOptionCommandK);
    // A press before anyone listens is dropped.
    t.grabber->press();
    QCoreApplication::processEvents();
    int triggers = 0;
    bool onMainThread = false;
    t.service->setOnTrigger([&] {
        ++triggers;
        onMainThread = QThread::currentThread() == qApp->thread();
    });

    t.grabber->press();
    // Queued: never inside the display's event handling.
    QCOMPARE(triggers, 0);
    QTRY_COMPARE(triggers, 1);
    QVERIFY(onMainThread);

    t.grabber->press();
    t.grabber->press();
    QTRY_COMPARE(triggers, 3);
}

void TestHotKeyService::withoutAnyWayNothingIsRefusedOrLost()
{
    // The tests run offscreen, outside any Wayland session.
    qunsetenv("WAYLAND_DISPLAY");
    qunsetenv("XDG_SESSION_TYPE");
    SettingsFixture fixture(controlOptionCommandK);
    int beeps = 0;
    HotKeyService service(*fixture.preferences, KeyGrabber::create(), [&] { ++beeps; });
    QCOMPARE(service.mechanism(), KeyGrabber::Mechanism::none);
    QVERIFY(!service.isRegistered());
    QCOMPARE(service.shortcut(), controlOptionCommandK);

    // Kept for a session that can hold it, without a beep.
    service.setShortcut(shiftCommandJ);
    QCOMPARE(service.shortcut(), shiftCommandJ);
    QCOMPARE(fixture.storedShortcut(), shiftCommandJ);
    QVERIFY(!service.isRegistered());
    QCOMPARE(beeps, 0);
}

void TestHotKeyService::desktopTriggerFollowsTheDesktop()
{
    SettingsFixture fixture(controlOptionCommandK);
    auto owned = std::make_unique<FakeKeyGrabber>(KeyGrabber::Mechanism::desktopPortal);
    FakeKeyGrabber *grabber = owned.get();
    HotKeyService service(*fixture.preferences, std::move(owned), [] {});
    QSignalSpy changes(&service, &HotKeyService::desktopTriggerChanged);

    grabber->describe(u"Ctrl+Alt+Meta+K"_s);
    grabber->describe(u"Ctrl+Alt+Meta+K"_s);
    grabber->describe(u"Meta+C"_s);
    Q_EMIT grabber->triggerDescribed(HotKeyId{1, 2}, u"someone else's"_s);
    QCOMPARE(service.desktopTrigger(), u"Meta+C"_s);
    QCOMPARE(changes.count(), 2);
    // The stored shortcut is ours, whatever the desktop bound.
    QCOMPARE(fixture.storedShortcut(), controlOptionCommandK);
}

QTEST_MAIN(TestHotKeyService)
#include "tst_hotkeyservice.moc"
