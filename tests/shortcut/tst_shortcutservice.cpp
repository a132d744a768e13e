#include "FakeKeyGrabber.h"
#include "TestServices.h"

#include "shortcut/ShortcutService.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;
using MaybeShortcut = std::optional<Shortcut>;
using Mechanism = KeyGrabber::Mechanism;

Q_DECLARE_METATYPE(MaybeShortcut)

namespace {

const MaybeShortcut k = Shortcut{40, 0x1900, u"⌃⌥⌘K"_s};
const MaybeShortcut j = Shortcut{38, 0x300, u"⇧⌘J"_s};
const QString grabK = u"grab 40 1900 5453414c/1"_s;
const QString grabJ = u"grab 38 300 5453414c/1"_s;
const QString grabL = u"grab 37 100 5453414c/1"_s;
const QString ungrab = u"ungrab 5453414c/1"_s;

// The settings holding this shortcut, as the preferences store it.
QJsonObject holding(const MaybeShortcut &shortcut)
{
    if (!shortcut)
        return {};
    return {{SettingKeys::shortcut.name,
             QJsonObject{{u"$data"_s, QString::fromLatin1(shortcut->toJson().toBase64())}}}};
}

// The service over a settings file holding a shortcut, with a grabber that refuses ⌘L.
struct ServiceUnderTest
{
    explicit ServiceUnderTest(const MaybeShortcut &stored, Mechanism mechanism = Mechanism::keyGrab)
        : fixture(holding(stored))
        , fileAtStart(fixture.settingsFileContents())
        , settingsChanges(fixture.settings, &SettingsStore::valueChanged)
    {
        auto owned = std::make_unique<FakeKeyGrabber>(mechanism);
        grabber = owned.get();
        grabber->refusedKeyCodes = {37};
        service = std::make_unique<ShortcutService>(
            fixture.preferences->shortcut(),
            [&store = *fixture.preferences](const std::optional<Shortcut> &shortcut) {
                store.setShortcut(shortcut);
            },
            std::move(owned), [this] { ++beeps; });
    }

    /// The shortcut as the file on disk holds it.
    [[nodiscard]] MaybeShortcut storedShortcut() const
    {
        const QByteArray json =
            SettingsStore(fixture.settings->filePath(), SettingsStore::Access::readOnly)
                .value(SettingKeys::shortcut);
        return json.isEmpty() ? std::nullopt : Shortcut::fromJson(json);
    }

    TestServices fixture;
    QByteArray fileAtStart;
    QSignalSpy settingsChanges;
    FakeKeyGrabber *grabber = nullptr;
    std::unique_ptr<ShortcutService> service;
    int beeps = 0;
};

} // namespace

class TestShortcutService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What is stored at start stays as it is, whatever becomes of the grab. Later only a grab
    // another client refused clears the shortcut, and says so with a beep; where the session has
    // no way to hold one, the choice waits for a session that has.
    void setShortcut_data()
    {
        QTest::addColumn<MaybeShortcut>("initial");
        QTest::addColumn<MaybeShortcut>("next");
        QTest::addColumn<Mechanism>("mechanism");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<MaybeShortcut>("left");
        const MaybeShortcut sameKeys = Shortcut{40, 0x1900, u"⌃⌥⌘k"_s};
        const MaybeShortcut noModifiers = Shortcut{40, 0, u"K"_s};
        const MaybeShortcut refused = Shortcut{37, 0x100, u"⌘L"_s};
        const MaybeShortcut keyCodeZero = Shortcut{0, 0x100, u"⌘A"_s};
        const Mechanism grab = Mechanism::keyGrab;
        QTest::newRow("the same again") << k << k << grab << QStringList{grabK} << k;
        QTest::newRow("another: release, then grab")
            << k << j << grab << QStringList{grabK, ungrab, grabJ} << j;
        QTest::newRow("same keys, other text")
            << k << sameKeys << grab << QStringList{grabK, ungrab, grabK} << sameKeys;
        QTest::newRow("first one") << MaybeShortcut() << j << grab << QStringList{grabJ} << j;
        QTest::newRow("cleared") << k << MaybeShortcut() << grab << QStringList{grabK, ungrab}
                                 << MaybeShortcut();
        QTest::newRow("without modifiers: stored, not grabbed")
            << k << noModifiers << grab << QStringList{grabK, ungrab} << noModifiers;
        QTest::newRow("key code 0 at start: kept, never grabbed")
            << keyCodeZero << keyCodeZero << grab << QStringList{} << keyCodeZero;
        QTest::newRow("held elsewhere at start: kept, silently")
            << refused << refused << grab << QStringList{grabL} << refused;
        QTest::newRow("refused by another client")
            << k << refused << grab << QStringList{grabK, ungrab, grabL} << MaybeShortcut();
        QTest::newRow("no way in this session")
            << k << refused << Mechanism::none << QStringList{grabK, ungrab, grabL} << refused;
    }

    void setShortcut()
    {
        QFETCH(MaybeShortcut, initial);
        QFETCH(MaybeShortcut, next);
        QFETCH(Mechanism, mechanism);
        QFETCH(MaybeShortcut, left);
        ServiceUnderTest t(initial, mechanism);
        QSignalSpy published(t.service.get(), &ShortcutService::shortcutChanged);

        t.service->setShortcut(next);

        QTEST(t.grabber->calls, "calls");
        QCOMPARE(t.service->isRegistered(), t.grabber->held.has_value());
        QCOMPARE(t.service->shortcut(), left);
        QCOMPARE(published.isEmpty(), initial == next);
        if (!published.isEmpty())
            QCOMPARE(published.last().at(0).value<MaybeShortcut>(), left);
        QCOMPARE(t.storedShortcut(), left);
        QCOMPARE(t.fixture.settingsFile().contains(SettingKeys::shortcut.name), left.has_value());
        QCOMPARE(t.settingsChanges.isEmpty(), initial == left);
        if (initial == left)
            QCOMPARE(t.fixture.settingsFileContents(), t.fileAtStart);
        QCOMPARE(t.beeps, int(next && !left));
    }

    // The desktop holds the shortcut and says what triggers it; presses come as from a grab.
    void throughTheDesktopPortal()
    {
        ServiceUnderTest t(k, Mechanism::desktopPortal);
        QSignalSpy changes(t.service.get(), &ShortcutService::desktopTriggerChanged);
        t.grabber->describe(u"Ctrl+Alt+Meta+K"_s);
        t.grabber->describe(u"Ctrl+Alt+Meta+K"_s);
        t.grabber->describe(u"Meta+C"_s);
        Q_EMIT t.grabber->triggerDescribed(ShortcutId{1, 2}, u"someone else's"_s);
        QCOMPARE(t.service->desktopTrigger(), u"Meta+C"_s);
        QCOMPARE(changes.count(), 2);
        // The stored shortcut is ours, whatever the desktop bound.
        QCOMPARE(t.fixture.settingsFileContents(), t.fileAtStart);

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

QTEST_MAIN(TestShortcutService)
#include "tst_shortcutservice.moc"
