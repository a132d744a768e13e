#include "TestServices.h"
#include "TimeZoneScope.h"
#include "app/CommandLine.h"
#include "preferences/PreferencesStore.h"

#include <QProcess>
#include <QTimeZone>

#include <QTest>

using namespace Qt::StringLiterals;

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void initTestCase() { zone.emplace("Asia/Shanghai"); }

    void calShowsTheMonthWithLunarNames()
    {
        const Result result = run({u"cal"_s, u"2024-02"_s});
        QCOMPARE(result.status, 0);
        QVERIFY(result.err.isEmpty());
        const QStringList lines = result.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.first().trimmed(), u"2024年 2月"_s);
        // Five weeks, each a line of day numbers and a line of lunar names.
        QCOMPARE(lines.size(), 2 + 5 * 2);
        // A festival is starred and named instead of its lunar day; a solar term is named too.
        QCOMPARE(lines.at(4).split(u' ', Qt::SkipEmptyParts).at(5), u"10*"_s);
        QCOMPARE(lines.at(5).split(u' ', Qt::SkipEmptyParts).at(5), u"春节"_s);
        QCOMPARE(lines.at(5).split(u' ', Qt::SkipEmptyParts).at(6), u"初二"_s);
        QCOMPARE(lines.at(3).split(u' ', Qt::SkipEmptyParts).at(3), u"立春"_s);
        // Days of the neighbouring months stay blank, so the 1st sits in Thursday's column of
        // seven-column cells, as 四 does (two columns wide, so fewer characters before it).
        QCOMPARE(lines.at(2).indexOf(u'1'), 3 * 7 + 2);
        QCOMPARE(lines.at(1).indexOf(u"四"_s), 3 * 6 + 2);
        QVERIFY(!result.out.contains(u'['));
        QVERIFY(run({u"cal"_s}).out.contains(u"[ 6]"_s));
    }

    void calWeekNumbersAndFirstDay()
    {
        // Weeks from Sunday: February 2026 fills four rows, numbered by their Monday's week.
        const QStringList sunday =
            run({u"cal"_s, u"--first-day"_s, u"sunday"_s, u"2026-02"_s, u"--week-numbers"_s})
                .out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(sunday.size(), 2 + 4 * 2);
        QCOMPARE(sunday.at(1), u"周   日     一     二     三     四     五     六"_s);
        QCOMPARE(sunday.at(2), u" 6   1      2      3      4      5      6      7"_s);
        QCOMPARE(sunday.at(8).left(3), u" 9 "_s);

        // The settings are followed, and an option overrides them for one run.
        PreferencesStore &preferences = *services.preferences;
        preferences.setValue(SettingKeys::firstWeekday, FirstWeekday::sunday);
        preferences.setValue(SettingKeys::showWeekNumbers, true);
        const QStringList stored = run({u"cal"_s, u"2026-02"_s}).out.split(u'\n');
        const QString monday = run({u"cal"_s, u"2026-02"_s, u"--first-day"_s, u"monday"_s}).out;
        preferences.setValue(SettingKeys::firstWeekday, FirstWeekday::monday);
        preferences.setValue(SettingKeys::showWeekNumbers, false);
        QCOMPARE(stored.mid(1, 2), sunday.mid(1, 2));
        QVERIFY(monday.contains(u"\n周   一     二"_s));
    }

    void daysAndTitle()
    {
        // Every day's columns are checked against the lunar table by a script; the holiday and
        // the aligned form here.
        QCOMPARE(run({u"days"_s, u"2026-10-01"_s, u"2026-10-01"_s, u"--tsv"_s}).out,
                 u"2026-10-01\t廿一\t丙午马年 八月廿一\t国庆节\t\t休\n"_s);
        QCOMPARE(run({u"days"_s, u"2026-10-09"_s, u"2026-10-10"_s}).out,
                 u"2026-10-09  廿九    丙午马年 八月廿九\n"
                 "2026-10-10  九月    丙午马年 九月初一                       班\n"_s);
        const Result title = run({u"title"_s, u"--at"_s, u"2026-12-05 14:03:09"_s});
        QCOMPARE(title.status, 0);
        QCOMPARE(title.out, u"12月5日 周六 14:03\n"_s);
        // Skipped by Lord Howe's half-hour clock change: the first instant after it.
        const TimeZoneScope lordHowe("Australia/Lord_Howe");
        QCOMPARE(run({u"title"_s, u"--at"_s, u"2026-10-04 02:15:00"_s}).out,
                 u"10月4日 周日 02:30\n"_s);
    }

    void badArguments_data()
    {
        // The arguments, and what the one line on standard error names.
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("mention");

        const QString range = u"1583-9999"_s;
        QTest::newRow("unknown command") << u"calendar"_s << u"calendar"_s;
        QTest::newRow("cal with a day") << u"cal 2024-02-01"_s << u"YYYY-MM"_s;
        QTest::newRow("cal month 13") << u"cal 2024-13"_s << u"2024-13"_s;
        QTest::newRow("cal before the first full Gregorian year") << u"cal 1582-12"_s << range;
        QTest::newRow("cal first day friday") << u"cal --first-day friday"_s << u"--first-day"_s;
        QTest::newRow("cal first day missing") << u"cal 2024-02 --first-day"_s << u"--first-day"_s;
        QTest::newRow("cal unknown option") << u"cal --weeks"_s << u"--weeks"_s;
        QTest::newRow("days 31 February") << u"days 2024-02-31 2024-03-01"_s << u"2024-02-31"_s;
        QTest::newRow("days without leading zeros")
            << u"days 2024-1-1 2024-01-02"_s << u"2024-1-1"_s;
        QTest::newRow("days backwards") << u"days 2024-01-02 2024-01-01"_s << u"TO"_s;
        QTest::newRow("days unknown option") << u"days 2024-01-01 2024-01-02 --csv"_s << u"--csv"_s;
        QTest::newRow("days from 1582") << u"days 1582-12-31 1583-01-01"_s << range;
        QTest::newRow("days over 100000") << u"days 1800-01-01 2100-01-01"_s << u"100000"_s;
        QTest::newRow("events in year 1") << u"events 0001-01-01"_s << range;
        QTest::newRow("title at a day without time")
            << u"title --at 2026-12-05"_s << u"2026-12-05"_s;
        QTest::newRow("title in 1500") << u"title --at \"1500-01-01 12:00:00\""_s << range;
        QTest::newRow("bar with an unknown option") << u"--bar --xml"_s << u"--xml"_s;
        QTest::newRow("bar with two formats") << u"--bar --json --genmon --once"_s << u"--genmon"_s;
    }

    void badArguments()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, mention);
        const Result result = run(QProcess::splitCommand(arguments));
        QCOMPARE(result.status, 2);
        QVERIFY(result.out.isEmpty());
        QCOMPARE(result.err.count(u'\n'), 1);
        QVERIFY(result.err.startsWith(u"tessel-calendar: "_s));
        QVERIFY2(result.err.contains(mention), qPrintable(result.err));
    }

private:
    struct Result
    {
        int status;
        QString out;
        QString err;
    };
    Result run(const QStringList &arguments,
               const QDateTime &now = QDateTime({2026, 12, 6}, {4, 0}, QTimeZone::utc()));

    TestServices services;
    std::optional<TimeZoneScope> zone;
};

TestCommandLine::Result TestCommandLine::run(const QStringList &arguments, const QDateTime &now)
{
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    // As main does: a command only reads the settings.
    AppServices reader(SettingsStore::defaultFilePath(), SettingsStore::Access::readOnly,
                       TestServices::fakes());
    const int status = CommandLine(out, err, reader).run(arguments, now);
    return {status, outText, errText};
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
