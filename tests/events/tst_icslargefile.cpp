#include "IcsTestFolder.h"
#include "TimeZoneScope.h"
#include "events/IcsCalendarFile.h"

#include <QTest>

using namespace Qt::StringLiterals;

// A 50 MB calendar of many small events, as a years-long export can be: it must load whole,
// and a broken event at its end must cost only that event.
class TestIcsLargeFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fiftyMegabytes();
};

void TestIcsLargeFile::fiftyMegabytes()
{
    const TimeZoneScope zone("Europe/Berlin");
    IcsTestFolder folder;
    constexpr int eventCount = 175'000;
    const QDate first(2026, 1, 1);
    QByteArray text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//tessel//test//EN\r\n"
                      "X-WR-CALNAME:Export\r\n";
    text.reserve(52 * 1024 * 1024);
    int inMarch = 0;
    for (int i = 0; i < eventCount; ++i) {
        const QDate day = first.addDays(i % 365);
        const QByteArray date = day.toString(u"yyyyMMdd"_s).toLatin1();
        const QByteArray hour = QByteArray::number(10 + i % 10);
        text += "BEGIN:VEVENT\r\nUID:event-" + QByteArray::number(i)
                + "@example.org\r\nDTSTAMP:20250101T000000Z\r\nDTSTART:" + date + 'T' + hour
                + "0000Z\r\nDTEND:" + date + 'T' + hour + "3000Z\r\nSUMMARY:Event number "
                + QByteArray::number(i) + "\r\nLOCATION:Room " + QByteArray::number(i % 50)
                + "\r\nDESCRIPTION:A description that makes the file as large as real exports "
                  "are\\, with some escaped text\\; and more.\r\nEND:VEVENT\r\n";
        inMarch += day.month() == 3 ? 1 : 0;
    }
    text += "BEGIN:VEVENT\r\nUID:cut\r\nDTSTART:2026031";
    QVERIFY2(text.size() > 50 * 1000 * 1000, QByteArray::number(text.size()).constData());
    folder.write(u"files/export.ics"_s, text);
    text.clear();
    text.squeeze();
    folder.configured = {folder.path(u"files/export.ics"_s)};

    auto store = folder.makeStore();
    const QList<StoreCalendar> calendars = store->calendars();
    QCOMPARE(calendars.size(), 1);
    QCOMPARE(calendars.first().title, u"Export"_s);
    const QList<StoreEvent> march =
        store->events(QDateTime(QDate(2026, 3, 1), QTime(0, 0), Qt::UTC),
                      QDateTime(QDate(2026, 4, 1), QTime(0, 0), Qt::UTC), calendars);
    QCOMPARE(march.size(), inMarch);
    const auto found = std::find_if(march.begin(), march.end(), [](const StoreEvent &event) {
        return event.title == u"Event number 59"_s;
    });
    QVERIFY(found != march.end());
    QCOMPARE(found->location, std::optional(u"Room 9"_s));
    QCOMPARE(found->startDate, QDateTime(QDate(2026, 3, 1), QTime(19, 0), Qt::UTC));
}

QTEST_GUILESS_MAIN(TestIcsLargeFile)
#include "tst_icslargefile.moc"
