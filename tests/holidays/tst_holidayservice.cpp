#include "holidays/ChineseCalendar.h"
#include "holidays/HolidayService.h"
#include "holidays/SolarTerms.h"
#include "shared/SystemTimeZone.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

void pinZone(const QByteArray &zone)
{
    qputenv("TZ", zone);
    SystemTimeZone::refresh();
}

QDateTime utc(int year, int month, int day, int hour = 0, int minute = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::UTC);
}

// Noon in Beijing.
QDateTime beijingNoon(QDate day)
{
    return QDateTime(day, QTime(4, 0), Qt::UTC);
}

} // namespace

// Readable failure messages; found by argument-dependent lookup from QCOMPARE.
char *toString(const std::optional<QString> &text)
{
    return text ? QTest::toString(*text) : qstrdup("nothing");
}

class tst_HolidayService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void rejectedFile_data();
    void rejectedFile();
    void missingFile();
    void unreadableFile();

    void lookup_data();
    void lookup();

    void shippedTable_data();
    void shippedTable();
    void shippedTableAgreesWithTheLunarCalendar();

    void rejectedArrangements_data();
    void rejectedArrangements();
    void shippedArrangements_data();
    void shippedArrangements();

private:
    QString writeFile(const QByteArray &contents);

    QTemporaryDir directory;
    int fileCount = 0;
};

QString tst_HolidayService::writeFile(const QByteArray &contents)
{
    const QString path = directory.filePath(u"holidays-%1.json"_s.arg(++fileCount));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        return {};
    return path;
}

void tst_HolidayService::initTestCase()
{
    QVERIFY(directory.isValid());
    pinZone("Asia/Shanghai");
}

void tst_HolidayService::rejectedFile_data()
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
    QTest::newRow("name is a number") << "[" + valid + R"(, {"date": "2026-06-01", "name": 61}])";
    QTest::newRow("date is a number") << "[" + valid + R"(, {"date": 20260601, "name": "儿童节"}])";
    QTest::newRow("element is null") << "[" + valid + ", null]";
}

void tst_HolidayService::rejectedFile()
{
    QFETCH(QByteArray, contents);
    const QString path = writeFile(contents);
    QVERIFY(!path.isEmpty());
    const HolidayService service(path);
    QCOMPARE(service.label(beijingNoon(QDate(2026, 1, 1))), std::nullopt);
    QCOMPARE(service.label(beijingNoon(QDate(2026, 5, 1))), std::nullopt);
    QCOMPARE(service.label(beijingNoon(QDate(2026, 6, 1))), std::nullopt);
}

void tst_HolidayService::missingFile()
{
    const HolidayService service(directory.filePath(u"absent.json"_s));
    QCOMPARE(service.label(beijingNoon(QDate(2026, 1, 1))), std::nullopt);
}

void tst_HolidayService::unreadableFile()
{
    // A folder opens on Linux but cannot be read.
    const HolidayService service(directory.path());
    QCOMPARE(service.label(beijingNoon(QDate(2026, 1, 1))), std::nullopt);
}

void tst_HolidayService::lookup_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("instant");
    QTest::addColumn<std::optional<QString>>("expected");

    const QByteArray shanghai = "Asia/Shanghai";
    const QByteArray newYork = "America/New_York";
    const std::optional<QString> nothing;

    QTest::newRow("unpadded date text never matches") << shanghai << utc(2026, 1, 1, 4) << nothing;
    QTest::newRow("extra member is ignored")
        << shanghai << utc(2026, 3, 8, 4) << std::optional(u"妇女节"_s);
    QTest::newRow("duplicate date keeps the first name")
        << shanghai << utc(2026, 5, 1, 4) << std::optional(u"劳动节"_s);
    QTest::newRow("day not listed") << shanghai << utc(2026, 6, 1, 4) << nothing;
    QTest::newRow("invalid instant") << shanghai << QDateTime() << nothing;
    QTest::newRow("Beijing day ahead of the UTC day")
        << shanghai << utc(2026, 3, 7, 16, 30) << std::optional(u"妇女节"_s);
    QTest::newRow("Beijing day before midnight")
        << shanghai << utc(2026, 3, 7, 15, 30) << std::optional(u"七号"_s);
    // The UTC day is already the next one; the New York day decides.
    QTest::newRow("New York 23:30 EST")
        << newYork << utc(2026, 3, 8, 4, 30) << std::optional(u"七号"_s);
    QTest::newRow("New York 23:30 EDT")
        << newYork << utc(2026, 11, 1, 3, 30) << std::optional(u"万圣夜"_s);
}

void tst_HolidayService::lookup()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, instant);
    QFETCH(std::optional<QString>, expected);

    const QString path = writeFile(R"([
{"date": "2026-1-1", "name": "元旦"},
{"date": "2026-03-07", "name": "七号"},
{"date": "2026-03-08", "name": "妇女节", "type": "festival"},
{"date": "2026-05-01", "name": "劳动节"},
{"date": "2026-05-01", "name": "五一"},
{"date": "2026-10-31", "name": "万圣夜"},
{"date": "2026-12-25", "name": "圣诞节"}
])");
    QVERIFY(!path.isEmpty());
    pinZone(zone);
    const HolidayService service(path);
    QCOMPARE(service.label(instant), expected);
}

void tst_HolidayService::shippedTable_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<std::optional<QString>>("expected");

    const std::optional<QString> nothing;

    QTest::newRow("eve after a 29-day month 12") << QDate(2025, 1, 28) << std::optional(u"除夕"_s);
    QTest::newRow("national day and mid-autumn")
        << QDate(2020, 10, 1) << std::optional(u"国庆节、中秋节"_s);
    QTest::newRow("after the last year") << QDate(2101, 1, 1) << nothing;
    QTest::newRow("day 5 of leap month 5") << QDate(2009, 6, 27) << nothing;
    QTest::newRow("day 9 of leap month 9") << QDate(2014, 11, 1) << nothing;
}

void tst_HolidayService::shippedTable()
{
    QFETCH(QDate, day);
    QFETCH(std::optional<QString>, expected);
    pinZone("Asia/Shanghai");
    const HolidayService service;
    QCOMPARE(service.label(beijingNoon(day)), expected);
}

// An independent reading of the table's rules: fixed days first, then the festival. It also
// catches a date listed twice or out of the years walked, through the count at the end.
void tst_HolidayService::shippedTableAgreesWithTheLunarCalendar()
{
    pinZone("Asia/Shanghai");
    const HolidayService service;

    const QHash<std::pair<int, int>, QString> fixedDays = {
        {{1, 1}, u"元旦"_s},    {{3, 8}, u"妇女节"_s},  {{5, 1}, u"劳动节"_s},
        {{5, 4}, u"青年节"_s},  {{6, 1}, u"儿童节"_s},  {{8, 1}, u"建军节"_s},
        {{9, 10}, u"教师节"_s}, {{10, 1}, u"国庆节"_s},
    };
    const QHash<std::pair<int, int>, QString> festivals = {
        {{1, 1}, u"春节"_s},    {{1, 15}, u"元宵节"_s}, {{5, 5}, u"端午节"_s},
        {{7, 7}, u"七夕节"_s},  {{8, 15}, u"中秋节"_s}, {{9, 9}, u"重阳节"_s},
        {{12, 8}, u"腊八节"_s},
    };
    const LunarDate newYear{1, 1, false};

    int named = 0;
    for (QDate day(2000, 1, 1); day.year() <= 2100; day = day.addDays(1)) {
        QStringList names;
        if (const auto fixed = fixedDays.constFind({day.month(), day.day()});
            fixed != fixedDays.cend())
            names.append(*fixed);
        const auto lunar = ChineseCalendar::lunarDate(day);
        QVERIFY(lunar);
        if (!lunar->isLeapMonth) {
            if (const auto festival = festivals.constFind({lunar->month, lunar->day});
                festival != festivals.cend())
                names.append(*festival);
        }
        if (ChineseCalendar::lunarDate(day.addDays(1)) == newYear)
            names.append(u"除夕"_s);
        if (SolarTerms::name(day) == u"清明"_s)
            names.append(u"清明节"_s);

        const std::optional<QString> expected =
            names.isEmpty() ? std::nullopt : std::optional(names.join(u'、'));
        const auto label = service.label(beijingNoon(day));
        QVERIFY2(label == expected,
                 qPrintable(day.toString(Qt::ISODate) + u": "_s + label.value_or(u"nothing"_s)));
        named += names.isEmpty() ? 0 : 1;
    }
    // No day outside the walked years is listed either.
    QFile file(u":/holidays.json"_s);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(HolidayService::decode(file.readAll())->size(), named);
}

void tst_HolidayService::rejectedArrangements_data()
{
    QTest::addColumn<QByteArray>("contents");

    const QByteArray valid = "# notice\ndate\tname\toff\n2026-10-01\t国庆节\t1\n";
    QTest::newRow("date listed twice") << valid + "2026-10-01\t国庆节\t0\n";
    QTest::newRow("no such day") << valid + "2026-02-30\t春节\t1\n";
    QTest::newRow("off is a word") << valid + "2026-10-03\t国庆节\t休\n";
    QTest::newRow("spaces for tabs") << valid + "2026-10-03 国庆节 1\n";
    QTest::newRow("carriage return") << valid + "2026-10-03\t国庆节\t1\r\n";
}

void tst_HolidayService::rejectedArrangements()
{
    QFETCH(QByteArray, contents);
    QString error;
    QVERIFY(!HolidayService::decodeArrangements(contents, &error));
    QVERIFY(error.startsWith(u"line 4: "_s));
    const QString path = writeFile(contents);
    QVERIFY(!path.isEmpty());
    const HolidayService service(u":/holidays.json"_s, path);
    QCOMPARE(service.arrangement(beijingNoon(QDate(2026, 10, 1))),
             HolidayService::Arrangement::none);
}

void tst_HolidayService::shippedArrangements_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("expected");

    QTest::newRow("spring festival workday 2026") << QDate(2026, 2, 14) << u"班"_s;
    QTest::newRow("national day 2026") << QDate(2026, 10, 1) << u"休"_s;
    QTest::newRow("first notice's workday") << QDate(2006, 12, 30) << u"班"_s;
    QTest::newRow("year no notice covers") << QDate(2027, 1, 1) << QString();
}

void tst_HolidayService::shippedArrangements()
{
    QFETCH(QDate, day);
    QFETCH(QString, expected);
    QFile file(u":/holiday-arrangements.tsv"_s);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString error;
    const auto decoded = HolidayService::decodeArrangements(file.readAll(), &error);
    QVERIFY2(decoded && decoded->size() > 600, qPrintable(error));

    pinZone("Asia/Shanghai");
    const HolidayService service;
    QCOMPARE(HolidayService::arrangementText(service.arrangement(beijingNoon(day))), expected);
}

QTEST_GUILESS_MAIN(tst_HolidayService)
#include "tst_holidayservice.moc"
