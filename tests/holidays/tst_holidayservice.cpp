#include "TestFiles.h"
#include "TimeZoneScope.h"
#include "holidays/HolidayService.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

QDateTime utc(int year, int month, int day, int hour = 0, int minute = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), QTimeZone::utc());
}

// Noon in Beijing.
QDateTime beijingNoon(QDate day)
{
    return QDateTime(day, QTime(4, 0), QTimeZone::utc());
}

} // namespace

class TestHolidayService : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void initTestCase()
    {
        QVERIFY(directory.isValid());
        zone.emplace("Asia/Shanghai");
    }

    void rejectedFile_data()
    {
        QTest::addColumn<QByteArray>("contents");

        // Each file names 2026-01-01 and 2026-05-01 validly before its fault, so a partly taken
        // file would show up in the lookups.
        const QByteArray valid =
            R"({"date": "2026-01-01", "name": "元旦"}, {"date": "2026-05-01", "name": "劳动节"})";

        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("truncated JSON") << "[" + valid + ",";
        QTest::newRow("top level is an object")
            << QByteArray(R"({"date": "2026-01-01", "name": "元旦"})");
        QTest::newRow("element lacks name") << "[" + valid + R"(, {"date": "2026-06-01"}])";
        QTest::newRow("date is a number")
            << "[" + valid + R"(, {"date": 20260601, "name": "儿童节"}])";
        QTest::newRow("element is null") << "[" + valid + ", null]";
    }

    void rejectedFile()
    {
        QFETCH(QByteArray, contents);
        const QString path = fileWith(contents);
        QVERIFY(!path.isEmpty());
        const HolidayService service(path);
        QCOMPARE(service.label(beijingNoon(QDate(2026, 1, 1))), std::nullopt);
        QCOMPARE(service.label(beijingNoon(QDate(2026, 5, 1))), std::nullopt);
        QCOMPARE(service.label(beijingNoon(QDate(2026, 6, 1))), std::nullopt);
        // A missing file, and a folder, which opens on Linux but cannot be read.
        QCOMPARE(HolidayService(directory.filePath(u"absent.json"_s))
                     .label(beijingNoon(QDate(2026, 1, 1))),
                 std::nullopt);
        QCOMPARE(HolidayService(directory.path()).label(beijingNoon(QDate(2026, 1, 1))),
                 std::nullopt);
    }

    void lookup_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("instant");
        QTest::addColumn<QString>("expected");

        const QByteArray shanghai = "Asia/Shanghai";
        const QByteArray newYork = "America/New_York";
        const QString nothing;

        QTest::newRow("unpadded date text never matches")
            << shanghai << utc(2026, 1, 1, 4) << nothing;
        QTest::newRow("extra member is ignored") << shanghai << utc(2026, 3, 8, 4) << u"妇女节"_s;
        QTest::newRow("duplicate date keeps the first name")
            << shanghai << utc(2026, 5, 1, 4) << u"劳动节"_s;
        QTest::newRow("invalid instant") << shanghai << QDateTime() << nothing;
        QTest::newRow("Beijing day ahead of the UTC day")
            << shanghai << utc(2026, 3, 7, 16, 30) << u"妇女节"_s;
        QTest::newRow("Beijing day before midnight")
            << shanghai << utc(2026, 3, 7, 15, 30) << u"七号"_s;
        // The UTC day is already the next one; the New York day decides.
        QTest::newRow("New York 23:30 EST") << newYork << utc(2026, 3, 8, 4, 30) << u"七号"_s;
        QTest::newRow("New York 23:30 EDT") << newYork << utc(2026, 11, 1, 3, 30) << u"万圣夜"_s;
    }

    void lookup()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, instant);
        QFETCH(QString, expected);
        const QString path = fileWith(R"([
    {"date": "2026-1-1", "name": "元旦"},
    {"date": "2026-03-07", "name": "七号"},
    {"date": "2026-03-08", "name": "妇女节", "type": "festival"},
    {"date": "2026-05-01", "name": "劳动节"},
    {"date": "2026-05-01", "name": "五一"},
    {"date": "2026-10-31", "name": "万圣夜"},
    {"date": "2026-12-25", "name": "圣诞节"}
    ])");
        QVERIFY(!path.isEmpty());
        const TimeZoneScope pinned(zone);
        const HolidayService service(path);
        QCOMPARE(service.label(instant).value_or(QString()), expected);
    }

    void rejectedArrangements_data()
    {
        QTest::addColumn<QByteArray>("contents");

        const QByteArray valid = "# notice\ndate\tname\toff\n2026-10-01\t国庆节\t1\n";
        QTest::newRow("date listed twice") << valid + "2026-10-01\t国庆节\t0\n";
        QTest::newRow("no such day") << valid + "2026-02-30\t春节\t1\n";
        QTest::newRow("off is a word") << valid + "2026-10-03\t国庆节\t休\n";
        QTest::newRow("spaces for tabs") << valid + "2026-10-03 国庆节 1\n";
        QTest::newRow("carriage return") << valid + "2026-10-03\t国庆节\t1\r\n";
    }

    void rejectedArrangements()
    {
        QFETCH(QByteArray, contents);
        QString error;
        QVERIFY(!HolidayService::decodeArrangements(contents, &error));
        QVERIFY(error.startsWith(u"line 4: "_s));
        const QString path = fileWith(contents);
        QVERIFY(!path.isEmpty());
        const HolidayService service(u":/holidays.json"_s, path);
        QCOMPARE(service.arrangement(beijingNoon(QDate(2026, 10, 1))),
                 HolidayService::Arrangement::none);
    }

private:
    QString fileWith(const QByteArray &contents);

    QTemporaryDir directory;
    std::optional<TimeZoneScope> zone;
    int fileCount = 0;
};

QString TestHolidayService::fileWith(const QByteArray &contents)
{
    const QString path = directory.filePath(u"holidays-%1.json"_s.arg(++fileCount));
    return writeFile(path, contents) ? path : QString();
}

QTEST_GUILESS_MAIN(TestHolidayService)
#include "tst_holidayservice.moc"
