#include "FakeLauncher.h"
#include "TimeZoneScope.h"
#include "events/CalendarAppOpener.h"
#include "shared/SettingKeys.h"
#include "shared/SettingsStore.h"

#include <QDate>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// An item on 5 March 2026, from 00:00 in Asia/Shanghai.
CalendarDayEvent march5(CalendarDayEventKind kind = CalendarDayEventKind::event)
{
    CalendarDayEvent item;
    item.displayDate = item.startDate =
        QDateTime::fromString(u"2026-03-04T16:00:00Z"_s, Qt::ISODate);
    item.endDate = item.startDate.addSecs(3600);
    item.kind = kind;
    return item;
}

} // namespace

class TestCalendarAppOpener : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void configuredCommandFillsPlaceholders()
    {
        SettingsStore settings(dir.filePath(u"a.json"_s));
        settings.setValue(
            SettingKeys::openDayCommand,
            QStringList{u"/opt/cal/bin/show"_s, u"--day={date}"_s, u"{when}"_s, u"$(rm -rf ~)"_s});
        FakeLauncher launcher;
        launcher.installed = {u"evolution"_s};
        CalendarAppOpener opener(launcher, &settings);
        QVERIFY(opener.open(march5()));
        // One argument each, exactly as written: nothing is handed to a shell.
        const QList<QStringList> expected{{u"/opt/cal/bin/show"_s, u"--day=2026-03-05"_s,
                                           u"Thursday, March 5, 2026 at 12:00:00 AM"_s,
                                           u"$(rm -rf ~)"_s}};
        QCOMPARE(launcher.started, expected);

        // A configured program that does not start gives way to the known applications.
        settings.setValue(SettingKeys::openDayCommand, QStringList{u"missing"_s, u"{date}"_s});
        launcher.started.clear();
        QVERIFY(opener.open(march5()));
        QCOMPARE(launcher.started.size(), 2);
        QCOMPARE(launcher.started.last().first(), u"evolution"_s);
    }

    void knownApplications_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("defaultApp");
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("reminder");
        QTest::addColumn<QStringList>("started");
        const QStringList both{u"evolution"_s, u"gnome-calendar"_s};
        const QStringList gnome{u"gnome-calendar"_s};
        QTest::newRow("Evolution by its calendar address")
            << both << QString() << u"en_US.UTF-8"_s << false
            << QStringList{u"evolution"_s, u"calendar:///?startdate=20260305"_s};
        // GNOME Calendar reads --date in its locale's %x.
        QTest::newRow("GNOME Calendar in Chinese")
            << gnome << QString() << u"zh_CN.UTF-8"_s << false
            << QStringList{u"gnome-calendar"_s, u"--date"_s, u"2026年03月05日"_s};
        QTest::newRow("GNOME Calendar in a locale that is not installed")
            << gnome << QString() << u"xx_XX.UTF-8"_s << false
            << QStringList{u"gnome-calendar"_s, u"--date"_s, u"03/05/26"_s};
        QTest::newRow("the default application goes first among known ones")
            << both << u"org.gnome.Calendar.desktop"_s << u"C"_s << false
            << QStringList{u"gnome-calendar"_s, u"--date"_s, u"03/05/26"_s};
        QTest::newRow("an unknown default application is opened plainly")
            << QStringList() << u"thunderbird.desktop"_s << u"C"_s << false
            << QStringList{u"launch"_s, u"thunderbird.desktop"_s};
        QTest::newRow("KOrganizer not running cannot be sent to a day")
            << QStringList{u"korganizer"_s} << QString() << u"C"_s << false << QStringList();
        QTest::newRow("reminder: Endeavour")
            << QStringList{u"endeavour"_s, u"evolution"_s} << QString() << u"C"_s << true
            << QStringList{u"endeavour"_s};
        QTest::newRow("reminder: Evolution's tasks")
            << both << QString() << u"C"_s << true
            << QStringList{u"evolution"_s, u"--component=tasks"_s};
        QTest::newRow("reminder: no to-do application")
            << gnome << QString() << u"C"_s << true << QStringList();
    }

    void knownApplications()
    {
        QFETCH(QStringList, installed);
        QFETCH(QString, defaultApp);
        QFETCH(QString, language);
        QFETCH(bool, reminder);
        QFETCH(QStringList, started);
        FakeLauncher launcher;
        launcher.installed = installed;
        if (!defaultApp.isEmpty())
            launcher.defaultApp = defaultApp;
        launcher.env.insert("LANG", language);
        CalendarAppOpener opener(launcher, nullptr);
        QCOMPARE(opener.open(march5(reminder ? CalendarDayEventKind::reminder
                                             : CalendarDayEventKind::event)),
                 !started.isEmpty());
        QCOMPARE(launcher.started.value(0), started);
    }

    void korganizerGetsTheDayOverDBus()
    {
        FakeLauncher launcher;
        launcher.installed = {u"korganizer"_s};
        launcher.running = {u"org.kde.korganizer"_s};
        CalendarAppOpener opener(launcher, nullptr);
        QVERIFY(opener.open(march5()));
        QVERIFY(launcher.started.isEmpty());
        const QList<QVariantList> expected{{u"org.kde.korganizer"_s, u"/Calendar"_s,
                                            u"org.kde.Korganizer.Calendar"_s, u"showDate"_s,
                                            QVariant::fromValue(QDate(2026, 3, 5))}};
        QCOMPARE(launcher.calls, expected);
    }

private:
    TimeZoneScope zone{"Asia/Shanghai"};
    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(TestCalendarAppOpener)
#include "tst_calendarappopener.moc"
