#include "FakeLauncher.h"
#include "TimeZoneScope.h"
#include "events/CalendarAppOpener.h"
#include "shared/SettingsStore.h"

#include <QDate>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// 5 March 2026, 00:00 in Asia/Shanghai.
const QDateTime march5 = QDateTime::fromString(u"2026-03-04T16:00:00Z"_s, Qt::ISODate);

CalendarDayEvent itemOn(const QDateTime &day,
                        CalendarDayEventKind kind = CalendarDayEventKind::event)
{
    CalendarDayEvent item;
    item.displayDate = day;
    item.startDate = day;
    item.endDate = day.addSecs(3600);
    item.kind = kind;
    return item;
}

} // namespace

class TestCalendarAppOpener : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { zone.emplace("Asia/Shanghai"); }
    void cleanup() { zone.reset(); }
    void whenText();
    void configuredCommandFillsPlaceholders();
    void configuredCommandThatFailsFallsThrough();
    void knownApplications_data();
    void knownApplications();
    void korganizerGetsTheDayOverDBus();
    void nothingInstalledDoesNothing();
    void reminderOpensToDoApplication_data();
    void reminderOpensToDoApplication();

private:
    std::optional<TimeZoneScope> zone;
    QTemporaryDir dir;
};

void TestCalendarAppOpener::whenText()
{
    QCOMPARE(CalendarAppOpener::whenText(march5), u"Thursday, March 5, 2026 at 12:00:00 AM"_s);
}

void TestCalendarAppOpener::configuredCommandFillsPlaceholders()
{
    SettingsStore settings(dir.filePath(u"a.json"_s));
    settings.setStringList(
        CalendarAppOpener::openDayCommandKey,
        {u"/opt/cal/bin/show"_s, u"--day={date}"_s, u"{when}"_s, u"$(rm -rf ~)"_s});
    FakeLauncher launcher;
    launcher.installed = {u"evolution"_s};
    CalendarAppOpener opener(launcher, &settings);
    QVERIFY(opener.open(itemOn(march5)));
    // One argument each, exactly as written: nothing is handed to a shell.
    const QList<QStringList> expected{{u"/opt/cal/bin/show"_s, u"--day=2026-03-05"_s,
                                       u"Thursday, March 5, 2026 at 12:00:00 AM"_s,
                                       u"$(rm -rf ~)"_s}};
    QCOMPARE(launcher.started, expected);
}

void TestCalendarAppOpener::configuredCommandThatFailsFallsThrough()
{
    SettingsStore settings(dir.filePath(u"b.json"_s));
    settings.setStringList(CalendarAppOpener::openDayCommandKey,
                           {u"missing-program"_s, u"{date}"_s});
    FakeLauncher launcher;
    launcher.installed = {u"evolution"_s};
    CalendarAppOpener opener(launcher, &settings);
    QVERIFY(opener.open(itemOn(march5)));
    QCOMPARE(launcher.started.size(), 2);
    QCOMPARE(launcher.started.last().first(), u"evolution"_s);
}

void TestCalendarAppOpener::knownApplications_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("defaultApp");
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QStringList>("started");
    QTest::addColumn<QStringList>("launched");

    QTest::newRow("Evolution by its calendar address")
        << QStringList{u"evolution"_s, u"gnome-calendar"_s} << QString()
        << QByteArray("en_US.UTF-8")
        << QStringList{u"evolution"_s, u"calendar:///?startdate=20260305"_s} << QStringList();
    // GNOME Calendar reads --date in its locale's %x.
    QTest::newRow("GNOME Calendar in American English")
        << QStringList{u"gnome-calendar"_s} << QString() << QByteArray("en_US.UTF-8")
        << QStringList{u"gnome-calendar"_s, u"--date"_s, u"03/05/2026"_s} << QStringList();
    QTest::newRow("GNOME Calendar in Chinese")
        << QStringList{u"gnome-calendar"_s} << QString() << QByteArray("zh_CN.UTF-8")
        << QStringList{u"gnome-calendar"_s, u"--date"_s, u"2026年03月05日"_s} << QStringList();
    QTest::newRow("GNOME Calendar in German")
        << QStringList{u"gnome-calendar"_s} << QString() << QByteArray("de_DE.UTF-8")
        << QStringList{u"gnome-calendar"_s, u"--date"_s, u"05.03.2026"_s} << QStringList();
    QTest::newRow("GNOME Calendar in a locale that is not installed")
        << QStringList{u"gnome-calendar"_s} << QString() << QByteArray("xx_XX.UTF-8")
        << QStringList{u"gnome-calendar"_s, u"--date"_s, u"03/05/26"_s} << QStringList();
    QTest::newRow("the default application goes first among known ones")
        << QStringList{u"evolution"_s, u"gnome-calendar"_s} << u"org.gnome.Calendar.desktop"_s
        << QByteArray("C") << QStringList{u"gnome-calendar"_s, u"--date"_s, u"03/05/26"_s}
        << QStringList();
    QTest::newRow("an unknown default application is opened plainly")
        << QStringList() << u"thunderbird.desktop"_s << QByteArray("C") << QStringList()
        << QStringList{u"thunderbird.desktop"_s};
}

void TestCalendarAppOpener::knownApplications()
{
    QFETCH(QStringList, installed);
    QFETCH(QString, defaultApp);
    QFETCH(QByteArray, language);
    QFETCH(QStringList, started);
    QFETCH(QStringList, launched);
    FakeLauncher launcher;
    launcher.installed = installed;
    if (!defaultApp.isEmpty())
        launcher.defaultApp = defaultApp;
    launcher.env.insert("LANG", QString::fromLatin1(language));
    CalendarAppOpener opener(launcher, nullptr);
    QVERIFY(opener.open(itemOn(march5)));
    QCOMPARE(launcher.started.value(0), started);
    QCOMPARE(launcher.launched, launched);
}

void TestCalendarAppOpener::korganizerGetsTheDayOverDBus()
{
    FakeLauncher launcher;
    launcher.installed = {u"korganizer"_s};
    launcher.running = {u"org.kde.korganizer"_s};
    CalendarAppOpener opener(launcher, nullptr);
    QVERIFY(opener.open(itemOn(march5)));
    QVERIFY(launcher.started.isEmpty());
    const QList<QVariantList> expected{{u"org.kde.korganizer"_s, u"/Calendar"_s,
                                        u"org.kde.Korganizer.Calendar"_s, u"showDate"_s,
                                        QVariant::fromValue(QDate(2026, 3, 5))}};
    QCOMPARE(launcher.calls, expected);
}

void TestCalendarAppOpener::nothingInstalledDoesNothing()
{
    FakeLauncher launcher;
    launcher.installed = {u"korganizer"_s}; // installed but not running: not steerable
    CalendarAppOpener opener(launcher, nullptr);
    QVERIFY(!opener.open(itemOn(march5)));
    QVERIFY(launcher.started.isEmpty());
    QVERIFY(launcher.calls.isEmpty());
}

void TestCalendarAppOpener::reminderOpensToDoApplication_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QStringList>("started");
    QTest::newRow("Endeavour") << QStringList{u"endeavour"_s, u"evolution"_s}
                               << QStringList{u"endeavour"_s};
    QTest::newRow("Evolution's tasks")
        << QStringList{u"evolution"_s} << QStringList{u"evolution"_s, u"--component=tasks"_s};
    QTest::newRow("none") << QStringList{u"gnome-calendar"_s} << QStringList();
}

void TestCalendarAppOpener::reminderOpensToDoApplication()
{
    QFETCH(QStringList, installed);
    QFETCH(QStringList, started);
    FakeLauncher launcher;
    launcher.installed = installed;
    CalendarAppOpener opener(launcher, nullptr);
    QCOMPARE(opener.open(itemOn(march5, CalendarDayEventKind::reminder)), !started.isEmpty());
    QCOMPARE(launcher.started.value(0), started);
}

QTEST_GUILESS_MAIN(TestCalendarAppOpener)
#include "tst_calendarappopener.moc"
