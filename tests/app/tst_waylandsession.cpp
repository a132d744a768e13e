#include "DBusTestSupport.h"
#include "FakeDesktopPortal.h"
#include "TestFiles.h"
#include "TestWatcher.h"

#include "app/PlatformChoice.h"
#include "shortcut/PortalKeyGrabber.h"
#include "shortcut/Shortcut.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

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

} // namespace

// The program as started in a Wayland session that has XWayland (the test's Xvfb) but whose
// Wayland socket cannot be reached, against a tray watcher and a desktop portal of the test's own.
class TestWaylandSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void init()
    {
        home.emplace();
        // ⌃⌥⌘K: key code 40 with Control, Option and Command.
        const QByteArray shortcut = QJsonDocument(QJsonObject{{u"keyCode"_s, 40},
                                                              {u"carbonModifiers"_s, 6400},
                                                              {u"displayText"_s, u"⌃⌥⌘K"_s}})
                                        .toJson(QJsonDocument::Compact);
        const QJsonObject data{{u"$data"_s, QString::fromLatin1(shortcut.toBase64())}};
        QVERIFY(writeFile(home->filePath(u"config/tessel-calendar/settings.json"_s),
                          QJsonDocument(QJsonObject{{u"preferences.hotKey"_s, data}}).toJson()));
        watcher.emplace();
        QVERIFY(watcher->start());
    }

    void cleanup()
    {
        for (QProcess *program : std::as_const(programs)) {
            program->kill();
            program->waitForFinished(5000);
        }
        qDeleteAll(programs);
        programs.clear();
        portal.reset();
        watcher.reset();
        home.reset();
    }

    void platformChoice_data()
    {
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QByteArray>("platform");
        QTest::addColumn<bool>("logsLoss");

        QTest::newRow("X11 session") << u"DISPLAY=:0 XDG_SESSION_TYPE=x11"_s << ""_ba << false;
        QTest::newRow("Wayland with XWayland")
            << u"WAYLAND_DISPLAY=w DISPLAY=:0"_s << "xcb"_ba << false;
        QTest::newRow("Wayland without XWayland") << u"WAYLAND_DISPLAY=w"_s << ""_ba << true;
        QTest::newRow("the user's platform holds")
            << u"WAYLAND_DISPLAY=w DISPLAY=:0 QT_QPA_PLATFORM=wayland"_s << ""_ba << false;
        QTest::newRow("empty values count as unset")
            << u"WAYLAND_DISPLAY= DISPLAY=:0 QT_QPA_PLATFORM="_s << ""_ba << false;
    }

    void platformChoice()
    {
        QFETCH(QString, environment);
        QProcessEnvironment given;
        for (const QString &entry : environment.split(u' '))
            given.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        const PlatformChoice choice = PlatformChoice::forEnvironment(given);
        QTEST(choice.platform, "platform");
        QTEST(!choice.loss.isEmpty(), "logsLoss");
    }

    void grabberFollowsWhatTheDesktopBound()
    {
        constexpr quint32 control = Shortcut::controlModifier;
        QCOMPARE(PortalKeyGrabber::triggerFor(83, control | Shortcut::shiftModifier),
                 u"CTRL+SHIFT+NUM+KP_1"_s);
        QCOMPARE(PortalKeyGrabber::triggerFor(63, control), std::nullopt);

        portal.emplace(FakeDesktopPortal::Shape{.boundAs = u"Ctrl+Alt+Meta+K"_s});
        QVERIFY(portal->start());
        PortalKeyGrabber grabber(QDBusConnection::sessionBus());
        QCOMPARE(grabber.mechanism(), KeyGrabber::Mechanism::desktopPortal);
        QSignalSpy described(&grabber, &KeyGrabber::triggerDescribed);
        constexpr ShortcutId id{0x5453414C, 1};

        QVERIFY(grabber.grab(id, 40, control | Shortcut::optionModifier));
        QTRY_COMPARE(described.size(), 1);
        QCOMPARE(described.last().at(1).toString(), u"Ctrl+Alt+Meta+K"_s);
        portal->changeTrigger(u"toggle-panel"_s, u"Meta+C"_s);
        QTRY_COMPARE(described.size(), 2);
        QCOMPARE(described.last().at(1).toString(), u"Meta+C"_s);

        // A new shortcut gets a session of its own; the old one is closed.
        QVERIFY(grabber.grab(id, 38, Shortcut::commandModifier | Shortcut::shiftModifier));
        QTRY_COMPARE(portal->record().bindCalls.size(), 2);
        const PortalShortcut second = portal->record().bindCalls.last().constFirst();
        QCOMPARE(second.properties.value(u"preferred_trigger"_s), u"SHIFT+LOGO+j"_s);
        QTRY_COMPARE(portal->record().closedSessions, portal->record().sessions.mid(0, 1));
        // A portal that restarts has lost the session with it: the shortcut is bound afresh.
        portal->stop();
        QTRY_COMPARE(described.last().at(1).toString(), QString());
        QVERIFY(portal->start());
        QTRY_COMPARE(portal->record().bindCalls.size(), 3);
        QTRY_COMPARE(described.last().at(1).toString(), u"Ctrl+Alt+Meta+K"_s);
        QSignalSpy pressed(&grabber, &KeyGrabber::pressed);
        portal->activate(u"toggle-panel"_s);
        QTRY_COMPARE(pressed.size(), 1);
        grabber.ungrab(id);
        QTRY_COMPARE(portal->record().closedSessions.size(), 2);
        QCOMPARE(described.last().at(1).toString(), QString());

        // An answer of another form than the portal's is a refusal, not read as one.
        portal->setShape({.textResults = true});
        const qsizetype told = described.size();
        QVERIFY(grabber.grab(id, 40, control));
        QTRY_COMPARE(described.size(), told + 1);
        QCOMPARE(described.last().at(1).toString(), QString());
    }

    void runsOnXWaylandWithTheShortcutBoundByThePortal()
    {
        portal.emplace(FakeDesktopPortal::Shape{.boundAs = u"Ctrl+Alt+Meta+K"_s});
        QVERIFY(portal->start());
        startProgram();

        // Bound once in one session, and the program told so, before the desktop reports a press.
        QTRY_COMPARE_WITH_TIMEOUT(portal->record().bound.size(), 1, 10000);
        const FakeDesktopPortal::Record record = portal->record();
        QCOMPARE(record.sessions.size(), 1);
        QCOMPARE(record.bindCalls.size(), 1);
        const PortalShortcut bound = record.bindCalls.constFirst().value(0);
        QCOMPARE(bound.id, u"toggle-panel"_s);
        QCOMPARE(bound.properties.value(u"description"_s).toString(), u"显示或隐藏日历面板"_s);
        QCOMPARE(bound.properties.value(u"preferred_trigger"_s).toString(), u"CTRL+ALT+LOGO+k"_s);

        // Its window is on the X server at all only because it chose xcb. Xvfb has no bar that
        // reserves space: the click is taken as the middle of one 24 high.
        QVERIFY(panelPosition().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(watcher->registeredItems().size(), 1, 10000);
        const auto click = [this] {
            return callAndWait(watcher->connection(), watcher->registeredItems().constFirst(),
                               u"/StatusNotifierItem"_s, u"org.kde.StatusNotifierItem"_s,
                               u"Activate"_s, {700, 12})
                .type();
        };
        QCOMPARE(click(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(panelPosition(), u"535,30"_s, 10000);

        portal->activate(u"toggle-panel"_s);
        QTRY_VERIFY_WITH_TIMEOUT(panelPosition().isEmpty(), 10000);
        portal->activate(u"toggle-panel"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!panelPosition().isEmpty(), 10000);
        // A second start hands its request over and ends.
        QProcess *second = startProgram({u"--toggle"_s});
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(panelPosition().isEmpty(), 10000);
        QCOMPARE(click(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(panelPosition(), u"535,30"_s, 10000);
    }

    void cancelledBindingKeepsTheStoredShortcut()
    {
        const QString settings = home->filePath(u"config/tessel-calendar/settings.json"_s);
        const QByteArray before = readFile(settings);
        portal.emplace(FakeDesktopPortal::Shape{.bindResponse = 1});
        QVERIFY(portal->start());
        QProcess *program = startProgram();

        QTRY_COMPARE_WITH_TIMEOUT(portal->record().bindCalls.size(), 1, 10000);
        // The session of a cancelled binding is closed once the answer is in.
        QTRY_COMPARE_WITH_TIMEOUT(portal->record().closedSessions.size(), 1, 10000);
        QCOMPARE(readFile(settings), before);
        QCOMPARE(program->state(), QProcess::Running);
    }

private:
    QProcess *startProgram(const QStringList &arguments = {});

    std::optional<QTemporaryDir> home;
    std::optional<TestWatcher> watcher;
    std::optional<FakeDesktopPortal> portal;
    QList<QProcess *> programs;
};

QProcess *TestWaylandSession::startProgram(const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"QT_QPA_PLATFORM"_s);
    environment.insert(u"WAYLAND_DISPLAY"_s, u"tessel-test-no-such-socket"_s);
    environment.insert(u"XDG_SESSION_TYPE"_s, u"wayland"_s);
    environment.insert(u"XDG_CONFIG_HOME"_s, home->filePath(u"config"_s));
    environment.insert(u"XDG_DATA_HOME"_s, home->filePath(u"data"_s));
    environment.insert(u"TZ"_s, u"Asia/Shanghai"_s);
    auto *program = programs.emplaceBack(new QProcess);
    program->setProcessEnvironment(environment);
    program->setProcessChannelMode(QProcess::ForwardedChannels);
    program->start(QStringLiteral(TESSEL_EXECUTABLE), arguments);
    return program;
}

QTEST_GUILESS_MAIN(TestWaylandSession)
#include "tst_waylandsession.moc"
