#include "TimeZoneScope.h"
#include "app/AppServices.h"
#include "app/CommandLine.h"

#include <QTemporaryDir>

#include <QTest>

using namespace Qt::StringLiterals;

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void calShowsTheMonthWithLunarNames();
    void daysTabSeparated();
    void titleAtALocalTime();
    void badArguments_data();
    void badArguments();

private:
    struct Result
    {
        int status;
        QString out;
        QString err;
    };
    Result run(const QStringList &arguments,
               const QDateTime &now = QDateTime({2026, 12, 6}, {4, 0}, Qt::UTC));

    QTemporaryDir configHome;
    std::optional<TimeZoneScope> zone;
};

void TestCommandLine::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    zone.emplace("Asia/Shanghai");
}

TestCommandLine::Result TestCommandLine::run(const QStringList &arguments, const QDateTime &now)
{
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    const int status = CommandLine(out, err, AppServices::shared()).run(arguments, now);
    return {status, outText, errText};
}

void TestCommandLine::calShowsTheMonthWithLunarNames()
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

void TestCommandLine::daysTabSeparated()
{
    const Result result = run({u"days"_s, u"2026-10-07"_s, u"2026-10-10"_s, u"--tsv"_s});
    QCOMPARE(result.status, 0);
    QCOMPARE(result.out, u"2026-10-07\t廿七\t丙午马年 八月廿七\t\t\t休\n"
                         "2026-10-08\t廿八\t丙午马年 八月廿八\t\t寒露\t\n"
                         "2026-10-09\t廿九\t丙午马年 八月廿九\t\t\t\n"
                         "2026-10-10\t九月\t丙午马年 九月初一\t\t\t班\n"_s);
    QVERIFY(run({u"days"_s, u"2026-10-01"_s, u"2026-10-01"_s, u"--tsv"_s})
                .out.endsWith(u"\t国庆节\t\t休\n"_s));
    // Aligned without --tsv.
    QCOMPARE(run({u"days"_s, u"2026-10-09"_s, u"2026-10-10"_s}).out,
             u"2026-10-09  廿九    丙午马年 八月廿九\n"
             "2026-10-10  九月    丙午马年 九月初一                       班\n"_s);
}

void TestCommandLine::titleAtALocalTime()
{
    const Result result = run({u"title"_s, u"--at"_s, u"2026-12-05 14:03:09"_s});
    QCOMPARE(result.status, 0);
    QCOMPARE(result.out, u"12月5日 周六 14:03\n"_s);
}

void TestCommandLine::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    // What the one line on standard error names.
    QTest::addColumn<QString>("mention");

    const QString range = u"1583-9999"_s;
    QTest::newRow("unknown command") << QStringList{u"calendar"_s} << u"calendar"_s;
    QTest::newRow("cal with a day") << QStringList{u"cal"_s, u"2024-02-01"_s} << u"YYYY-MM"_s;
    QTest::newRow("cal month 13") << QStringList{u"cal"_s, u"2024-13"_s} << u"2024-13"_s;
    QTest::newRow("cal year 1") << QStringList{u"cal"_s, u"0001-01"_s} << range;
    QTest::newRow("cal before the first full Gregorian year")
        << QStringList{u"cal"_s, u"1582-12"_s} << range;
    QTest::newRow("days 31 February")
        << QStringList{u"days"_s, u"2024-02-31"_s, u"2024-03-01"_s} << u"2024-02-31"_s;
    QTest::newRow("days without leading zeros")
        << QStringList{u"days"_s, u"2024-1-1"_s, u"2024-01-02"_s} << u"2024-1-1"_s;
    QTest::newRow("days backwards")
        << QStringList{u"days"_s, u"2024-01-02"_s, u"2024-01-01"_s} << u"TO"_s;
    QTest::newRow("days unknown option")
        << QStringList{u"days"_s, u"2024-01-01"_s, u"2024-01-02"_s, u"--csv"_s} << u"--csv"_s;
    QTest::newRow("days from 1582")
        << QStringList{u"days"_s, u"1582-12-31"_s, u"1583-01-01"_s} << range;
    QTest::newRow("events in year 1") << QStringList{u"events"_s, u"0001-01-01"_s} << range;
    QTest::newRow("title at a day without time")
        << QStringList{u"title"_s, u"--at"_s, u"2026-12-05"_s} << u"2026-12-05"_s;
    QTest::newRow("title in 1500")
        << QStringList{u"title"_s, u"--at"_s, u"1500-01-01 12:00:00"_s} << range;
    QTest::newRow("bar with an unknown option")
        << QStringList{u"--bar"_s, u"--xml"_s} << u"--xml"_s;
    QTest::newRow("bar with two formats")
        << QStringList{u"--bar"_s, u"--json"_s, u"--genmon"_s, u"--once"_s} << u"--genmon"_s;
    QTest::newRow("days over 100000")
        << QStringList{u"days"_s, u"1800-01-01"_s, u"2100-01-01"_s} << u"100000"_s;
}

void TestCommandLine::badArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, mention);
    const Result result = run(arguments);
    QCOMPARE(result.status, 2);
    QVERIFY(result.out.isEmpty());
    QCOMPARE(result.err.count(u'\n'), 1);
    QVERIFY(result.err.startsWith(u"tessel-calendar: "_s));
    QVERIFY2(result.err.contains(mention), qPrintable(result.err));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
