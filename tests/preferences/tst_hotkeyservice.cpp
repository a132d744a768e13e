#include "FakeKeyGrabber.h"
#include "SettingsFixture.h"

#include "preferences/HotKeyService.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;
using Shortcut = std::optional<HotKeyShortcut>;
using Mechanism = KeyGrabber::Mechanism;

Q_DECLARE_METATYPE(Shortcut)

namespace {

const HotKeyShortcut controlOptionCommandK{40, 0x1900, u"⌃⌥⌘K"_s};
const HotKeyShortcut shiftCommandJ{38, 0x300, u"⇧⌘J"_s};
const QString grabK = u"grab 40 1900 5453414c/1"_s;
const QString grabJ = u"grab 38 300 5453414c/1"_s;
const QString ungrab = u"ungrab 5453414c/1"_s;

// The service over a settings file holding a shortcut, with a grabber that refuses some keys.
struct ServiceUnderTest
{
    explicit ServiceUnderTest(const Shortcut &stored, QList<quint32> refusedKeyCodes = {},
                              Mechanism mechanism = Mechanism::keyGrab)
        : fixture(stored)
        , fileAtStart(fixture.fileContents())
        , settingsChanges(fixture.settings.get(), &SettingsStore::valueChanged)
    {
        auto owned = std::make_unique<FakeKeyGrabber>(mechanism);
        grabber = owned.get();
        grabber->refusedKeyCodes = std::move(refusedKeyCodes);
        service = std::make_unique<HotKeyService>(*fixture.preferences, std::move(owned),
                                                  [this] { ++beeps; });
    }

    SettingsFixture fixture;
    QByteArray fileAtStart;
    QSignalSpy settingsChanges;
    FakeKeyGrabber *grabber = nullptr;
    std::unique_ptr<HotKeyService> service;
    int beeps = 0;
};

} // namespace

class TestHotKeyService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What is stored is kept as it is, whatever becomes of the grab.
    void startUp_data()
    {
        QTest::addColumn<HotKeyShortcut>("stored");
        QTest::addColumn<QList<quint32>>("refused");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("grabbed") << controlOptionCommandK << QList<quint32>{} << QStringList{grabK};
        QTest::newRow("held elsewhere: no beep")
            << controlOptionCommandK << QList<quint32>{40} << QStringList{grabK};
        QTest::newRow("key code 0, never grabbed")
            << HotKeyShortcut{0, 0x100, u"⌘A"_s} << QList<quint32>{} << QStringList{};
    }

    void startUp()
    {
        QFETCH(HotKeyShortcut, stored);
        QFETCH(QList<quint32>, refused);
        QFETCH(QStringList, calls);
        ServiceUnderTest t(stored, refused);
        QCOMPARE(t.grabber->calls, calls);
        QCOMPARE(t.service->isRegistered(), t.grabber->held.has_value());
        QCOMPARE(t.service->shortcut(), stored);
        QCOMPARE(t.fixture.preferences->hotKey(), stored);
        QCOMPARE(t.fixture.fileContents(), t.fileAtStart);
        QCOMPARE(t.settingsChanges.count(), 0);
        QCOMPARE(t.beeps, 0);
    }

    void setShortcut_data()
    {
        QTest::addColumn<Shortcut>("initial");
        QTest::addColumn<Shortcut>("next");
        QTest::addColumn<QStringList>("calls");
        const Shortcut k = controlOptionCommandK;
        QTest::newRow("the same again: nothing written") << k << k << QStringList{};
        QTest::newRow("another: release, then grab")
            << k << Shortcut(shiftCommandJ) << QStringList{ungrab, grabJ};
        QTest::newRow("same keys, other text")
            << k << Shortcut({40, 0x1900, u"⌃⌥⌘k"_s}) << QStringList{ungrab, grabK};
        QTest::newRow("first one") << Shortcut() << Shortcut(shiftCommandJ) << QStringList{grabJ};
        QTest::newRow("cleared") << k << Shortcut() << QStringList{ungrab};
        QTest::newRow("one without modifiers is stored, not grabbed")
            << k << Shortcut({40, 0, u"K"_s}) << QStringList{ungrab};
    }

    void setShortcut()
    {
        QFETCH(Shortcut, initial);
        QFETCH(Shortcut, next);
        QFETCH(QStringList, calls);
        ServiceUnderTest t(initial);
        t.grabber->calls.clear();
        QSignalSpy published(t.service.get(), &HotKeyService::shortcutChanged);

        t.service->setShortcut(next);

        QCOMPARE(t.grabber->calls, calls);
        QCOMPARE(t.service->isRegistered(), next && next->isValid());
        QCOMPARE(t.service->shortcut(), next);
        QCOMPARE(t.fixture.storedShortcut(), next);
        const bool changed = initial != next;
        QCOMPARE(published.count(), int(changed));
        QCOMPARE(t.settingsChanges.count(), int(changed));
        if (!changed)
            QCOMPARE(t.fixture.fileContents(), t.fileAtStart);
        QCOMPARE(t.beeps, 0);
    }

    // Only a grab another client refused clears the shortcut, and says so with a beep; where the
    // session has no way to hold one, the choice waits for a session that has.
    void refusedBy_data()
    {
        QTest::addColumn<Mechanism>("mechanism");
        QTest::addColumn<Shortcut>("left");
        QTest::newRow("another client") << Mechanism::keyGrab << Shortcut();
        QTest::newRow("a session without any way") << Mechanism::none << Shortcut(shiftCommandJ);
    }

    void refusedBy()
    {
        QFETCH(Mechanism, mechanism);
        QFETCH(Shortcut, left);
        ServiceUnderTest t(controlOptionCommandK, {38}, mechanism);
        QSignalSpy published(t.service.get(), &HotKeyService::shortcutChanged);

        t.service->setShortcut(shiftCommandJ);

        QVERIFY(!t.grabber->held);
        QVERIFY(!t.service->isRegistered());
        QCOMPARE(t.service->shortcut(), left);
        QCOMPARE(published.last().at(0).value<Shortcut>(), left);
        QCOMPARE(t.fixture.preferences->hotKey(), left);
        QCOMPARE(t.fixture.fileHasShortcutKey(), left.has_value());
        QCOMPARE(t.fixture.storedShortcut(), left);
        QCOMPARE(t.beeps, int(!left));

        // The tests run offscreen, outside any Wayland session: there is no way there.
        qunsetenv("WAYLAND_DISPLAY");
        qunsetenv("XDG_SESSION_TYPE");
        QCOMPARE(KeyGrabber::create()->mechanism(), Mechanism::none);
    }

    // The desktop holds the shortcut and says what triggers it; presses come as from a grab.
    void throughTheDesktopPortal()
    {
        ServiceUnderTest t(controlOptionCommandK, {}, Mechanism::desktopPortal);
        QSignalSpy changes(t.service.get(), &HotKeyService::desktopTriggerChanged);
        t.grabber->describe(u"Ctrl+Alt+Meta+K"_s);
        t.grabber->describe(u"Ctrl+Alt+Meta+K"_s);
        t.grabber->describe(u"Meta+C"_s);
        Q_EMIT t.grabber->triggerDescribed(HotKeyId{1, 2}, u"someone else's"_s);
        QCOMPARE(t.service->desktopTrigger(), u"Meta+C"_s);
        QCOMPARE(changes.count(), 2);
        // The stored shortcut is ours, whatever the desktop bound.
        QCOMPARE(t.fixture.fileContents(), t.fileAtStart);

        // A press before anyone listens is dropped.
        t.grabber->press();
        QCoreApplication::processEvents();
        int triggers = 0;
        t.service->setOnTrigger([&] { triggers += QThread::currentThread() == thread(); });
        t.grabber->press();
        // Queued: never inside the display's event handling.
        QCOMPARE(triggers, 0);
        QTRY_COMPARE(triggers, 1);
        t.grabber->press();
        t.grabber->press();
        QTRY_COMPARE(triggers, 3);
    }
};

QTEST_MAIN(TestHotKeyService)
#include "tst_hotkeyservice.moc"
