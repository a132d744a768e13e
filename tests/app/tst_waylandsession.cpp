#include "DBusTestSupport.h"
#include "FakeDesktopPortal.h"
#include "TestFiles.h"
#include "TestWatcher.h"

#include "app/PlatformChoice.h"
#include "preferences/HotKeyShortcut.h"
#include "preferences/PortalKeyGrabber.h"
#include "preferences/PreferencesStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

const HotKeyShortcut controlOptionCommandK{40,
                                           HotKeyShortcut::controlModifier
                                               | HotKeyShortcut::optionModifier
                                               | HotKeyShortcut::commandModifier,
                                           u"⌃⌥⌘K"_s};

// xdotool's answer about the visible panel window: its "Position: x,y" line, or empty.
QString panelPosition()
{
    QProcess xdotool;
    xdotool.start(u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^栖格日历$"_s,
                                 u"getwindowgeometry"_s});
    if (!xdotool.waitForFinished(5000) || xdotool.exitCode() != 0)
        return {};
    static const QRegularExpression position(u"Position: (\\d+,\\d+)"_s);
    return position.match(QString::fromUtf8(xdotool.readAllStandardOutput())).captured(1);
}

bool panelVisible()
{
    return !panelPosition().isEmpty();
}

} // namespace

// The program as started in a Wayland session that has XWayland (the test's Xvfb) but whose
// Wayland socket cannot be reached, against a tray watcher and a desktop portal of the test's own.
class TestWaylandSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void platformChoice_data();
    void platformChoice();
    void triggerInTheDesktopSyntax_data();
    void triggerInTheDesktopSyntax();
    void grabberFollowsWhatTheDesktopBound();
    void runsOnXWaylandAndOpensAtTheClickPoint();
    void portalBindsTheStoredShortcutAndTogglesThePanel();
    void cancelledBindingKeepsTheStoredShortcut();

private:
    void startProgram();
    [[nodiscard]] QByteArray settingsFile() const;

    std::optional<QTemporaryDir> home;
    std::optional<TestWatcher> watcher;
    std::optional<FakeDesktopPortal> portal;
    std::optional<QProcess> program;
};

void TestWaylandSession::init()
{
    home.emplace();
    const QJsonObject data{
        {u"$data"_s, QString::fromLatin1(controlOptionCommandK.toJson().toBase64())}};
    QVERIFY(writeFile(home->filePath(u"config/tessel-calendar/settings.json"_s),
                      QJsonDocument(QJsonObject{{PreferencesStore::Keys::hotKey, data}}).toJson()));

    watcher.emplace();
    QVERIFY(watcher->start());
}

void TestWaylandSession::cleanup()
{
    if (program) {
        program->terminate();
        if (!program->waitForFinished(5000))
            program->kill();
        program->waitForFinished(5000);
        program.reset();
    }
    portal.reset();
    watcher.reset();
    home.reset();
}

void TestWaylandSession::startProgram()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"QT_QPA_PLATFORM"_s);
    environment.insert(u"WAYLAND_DISPLAY"_s, u"tessel-test-no-such-socket"_s);
    environment.insert(u"XDG_SESSION_TYPE"_s, u"wayland"_s);
    environment.insert(u"XDG_CONFIG_HOME"_s, home->filePath(u"config"_s));
    environment.insert(u"XDG_DATA_HOME"_s, home->filePath(u"data"_s));
    environment.insert(u"TZ"_s, u"Asia/Shanghai"_s);
    program.emplace();
    program->setProcessEnvironment(environment);
    program->setProcessChannelMode(QProcess::ForwardedChannels);
    program->start(QStringLiteral(TESSEL_EXECUTABLE), QStringList());
    QVERIFY(program->waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(watcher->registeredItems().size(), 1, 10000);
}

QByteArray TestWaylandSession::settingsFile() const
{
    return readFile(home->filePath(u"config/tessel-calendar/settings.json"_s));
}

void TestWaylandSession::platformChoice_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QByteArray>("platform");
    QTest::addColumn<bool>("logsLoss");

    const QString wayland = u"WAYLAND_DISPLAY=wayland-0"_s;
    const QString x11 = u"DISPLAY=:0"_s;
    QTest::newRow("X11 session") << QStringList{x11, u"XDG_SESSION_TYPE=x11"_s} << ""_ba << false;
    QTest::newRow("Wayland with XWayland") << QStringList{wayland, x11} << "xcb"_ba << false;
    QTest::newRow("Wayland without XWayland") << QStringList{wayland} << ""_ba << true;
    QTest::newRow("the user's platform holds")
        << QStringList{wayland, x11, u"QT_QPA_PLATFORM=wayland"_s} << ""_ba << false;
    QTest::newRow("empty values count as unset")
        << QStringList{u"WAYLAND_DISPLAY="_s, x11, u"QT_QPA_PLATFORM="_s} << ""_ba << false;
}

void TestWaylandSession::platformChoice()
{
    QFETCH(QStringList, environment);
    QFETCH(QByteArray, platform);
    QFETCH(bool, logsLoss);
    QProcessEnvironment given;
    for (const QString &entry : std::as_const(environment))
        given.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    const PlatformChoice choice = PlatformChoice::forEnvironment(given);
    QCOMPARE(choice.platform, platform);
    QCOMPARE(!choice.loss.isEmpty(), logsLoss);
}

void TestWaylandSession::triggerInTheDesktopSyntax_data()
{
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("modifiers");
    QTest::addColumn<QString>("trigger");

    constexpr quint32 control = HotKeyShortcut::controlModifier;
    constexpr quint32 option = HotKeyShortcut::optionModifier;
    constexpr quint32 shift = HotKeyShortcut::shiftModifier;
    constexpr quint32 command = HotKeyShortcut::commandModifier;
    QTest::newRow("letter") << 40u << (control | option | command) << u"CTRL+ALT+LOGO+k"_s;
    QTest::newRow("every modifier, digit")
        << 18u << (command | shift | option | control) << u"CTRL+ALT+SHIFT+LOGO+1"_s;
    QTest::newRow("punctuation") << 43u << option << u"ALT+comma"_s;
    QTest::newRow("function key") << 122u << shift << u"SHIFT+F1"_s;
    QTest::newRow("keypad") << 83u << control << u"CTRL+NUM+KP_1"_s;
    QTest::newRow("no name") << 63u << control << QString();
}

void TestWaylandSession::triggerInTheDesktopSyntax()
{
    QFETCH(quint32, keyCode);
    QFETCH(quint32, modifiers);
    QFETCH(QString, trigger);
    QCOMPARE(PortalKeyGrabber::triggerFor(keyCode, modifiers).value_or(QString()), trigger);
}

void TestWaylandSession::grabberFollowsWhatTheDesktopBound()
{
    portal.emplace();
    portal->bindAs(u"Ctrl+Alt+Meta+K"_s);
    QVERIFY(portal->start());
    PortalKeyGrabber grabber(QDBusConnection::sessionBus());
    QCOMPARE(grabber.mechanism(), KeyGrabber::Mechanism::desktopPortal);
    QSignalSpy described(&grabber, &KeyGrabber::triggerDescribed);
    QSignalSpy pressed(&grabber, &KeyGrabber::pressed);
    constexpr HotKeyId id{0x5453414C, 1};

    QVERIFY(grabber.grab(id, controlOptionCommandK.keyCode, controlOptionCommandK.carbonModifiers));
    QTRY_COMPARE(described.size(), 1);
    QCOMPARE(described.last().at(1).toString(), u"Ctrl+Alt+Meta+K"_s);

    portal->changeTrigger(u"toggle-panel"_s, u"Meta+C"_s);
    QTRY_COMPARE(described.size(), 2);
    QCOMPARE(described.last().at(1).toString(), u"Meta+C"_s);
    portal->activate(u"toggle-panel"_s);
    QTRY_COMPARE(pressed.size(), 1);

    // A new shortcut gets a session of its own; the old one is closed.
    QVERIFY(grabber.grab(id, 38, HotKeyShortcut::commandModifier));
    QTRY_COMPARE(portal->bindCalls().size(), 2);
    QCOMPARE(portal->bindCalls().last().constFirst().properties.value(u"preferred_trigger"_s),
             u"LOGO+j"_s);
    QTRY_COMPARE(portal->closedSessions(), QStringList{portal->sessions().constFirst()});

    grabber.ungrab(id);
    QTRY_COMPARE(portal->closedSessions().size(), 2);
    QCOMPARE(described.last().at(1).toString(), QString());
}

void TestWaylandSession::runsOnXWaylandAndOpensAtTheClickPoint()
{
    startProgram();
    // Its window is on the X server at all only because it chose xcb.
    QVERIFY(!panelVisible());
    const QDBusMessage reply = callAndWait(
        watcher->connection(), watcher->registeredItems().constFirst(), u"/StatusNotifierItem"_s,
        u"org.kde.StatusNotifierItem"_s, u"Activate"_s, {700, 12});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    // Xvfb has no bar that reserves space: the click is taken as the middle of one 24 high.
    QTRY_COMPARE_WITH_TIMEOUT(panelPosition(), u"535,30"_s, 10000);
}

void TestWaylandSession::portalBindsTheStoredShortcutAndTogglesThePanel()
{
    portal.emplace();
    portal->bindAs(u"Ctrl+Alt+Meta+K"_s);
    QVERIFY(portal->start());
    startProgram();

    // Bound, and the program told so, before the desktop reports a press.
    QTRY_COMPARE_WITH_TIMEOUT(portal->boundShortcuts().size(), 1, 10000);
    QCOMPARE(portal->bindCalls().size(), 1);
    QCOMPARE(portal->sessions().size(), 1);
    const QList<PortalShortcut> bound = portal->bindCalls().constFirst();
    QCOMPARE(bound.size(), 1);
    QCOMPARE(bound.constFirst().id, u"toggle-panel"_s);
    QCOMPARE(bound.constFirst().properties.value(u"description"_s).toString(),
             u"显示或隐藏日历面板"_s);
    QCOMPARE(bound.constFirst().properties.value(u"preferred_trigger"_s).toString(),
             u"CTRL+ALT+LOGO+k"_s);

    QVERIFY(!panelVisible());
    portal->activate(u"toggle-panel"_s);
    QTRY_VERIFY_WITH_TIMEOUT(panelVisible(), 10000);
    portal->activate(u"toggle-panel"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!panelVisible(), 10000);
}

void TestWaylandSession::cancelledBindingKeepsTheStoredShortcut()
{
    const QByteArray before = settingsFile();
    portal.emplace();
    portal->setBindResponse(1);
    QVERIFY(portal->start());
    startProgram();

    QTRY_COMPARE_WITH_TIMEOUT(portal->bindCalls().size(), 1, 10000);
    // The session of a cancelled binding is closed once the answer is in.
    QTRY_COMPARE_WITH_TIMEOUT(portal->closedSessions().size(), 1, 10000);
    QCOMPARE(settingsFile(), before);
    QCOMPARE(program->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestWaylandSession)
#include "tst_waylandsession.moc"
