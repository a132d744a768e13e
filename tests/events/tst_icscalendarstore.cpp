#include "IcsTestFolder.h"
#include "TimeZoneScope.h"
#include "events/EventStoreService.h"
#include "events/IcsParseCache.h"
#include "holidays/HolidayService.h"
#include "holidays/LunarCalendarService.h"
#include "menubar/StatusBarController.h"
#include "menubar/StatusItem.h"
#include "preferences/PreferencesStore.h"
#include "shared/SettingKeys.h"

#include <QCryptographicHash>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimeZone>

#include <thread>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QDateTime from(QDate(2026, 3, 1), QTime(0, 0), QTimeZone::utc());
const QDateTime to(QDate(2026, 4, 1), QTime(0, 0), QTimeZone::utc());

QStringList titles(const QList<CalendarDayEvent> &items)
{
    QStringList result;
    for (const CalendarDayEvent &item : items)
        result.append(item.title);
    return result;
}

const QByteArray goodEvent =
    IcsTestFolder::event("good", "DTSTART:20260305T120000Z\nDTEND:20260305T130000Z\nSUMMARY:Good");

} // namespace

class TestIcsCalendarStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void calendarNamesColoursAndTheSameFolderTwice();
    void malformedInputKeepsTheGoodParts_data();
    void malformedInputKeepsTheGoodParts();
    void changesOnDiskAreSeenOncePerBurst();
    void settingsAreFollowed();
    void parseCacheIsTrustedOnlyWhole_data();
    void parseCacheIsTrustedOnlyWhole();
    void itemTextComesWhileTheStoreIsStillReading();
    void fiftyMegabyteExportLoadsWhole();
};

void TestIcsCalendarStore::calendarNamesColoursAndTheSameFolderTwice()
{
    IcsTestFolder folder;
    folder.write(u"files/acct/a-named.ics"_s,
                 IcsTestFolder::calendar({}, "X-WR-CALNAME:Named\nCOLOR:turquoise\n"));
    folder.write(u"files/acct/b-apple.ics"_s,
                 IcsTestFolder::calendar({}, "X-APPLE-CALENDAR-COLOR:#FF2968FF\n"));
    folder.write(u"files/acct/c-vdir/color"_s, "#1a2b3c\n");
    folder.write(u"files/acct/c-vdir/displayname"_s, "Vdir");
    folder.write(u"files/acct/c-vdir/a.ics"_s, IcsTestFolder::calendar(goodEvent));
    folder.write(u"files/acct/d-plain.ics"_s, IcsTestFolder::calendar({}));
    QVERIFY(QFile::link(folder.path(u"files/acct/c-vdir"_s), folder.path(u"alias"_s)));
    folder.configured = {folder.path(u"files"_s), folder.path(u"alias"_s)};
    folder.write(u"evolution/calendar/system/calendar.ics"_s, IcsTestFolder::calendar({}));
    folder.write(u"evolution/calendar/abc/calendar.ics"_s, IcsTestFolder::calendar({}));
    folder.write(u"evolution/calendar/off/calendar.ics"_s, IcsTestFolder::calendar({}));
    folder.write(u"config/evolution/sources/abc.source"_s,
                 "[Data Source]\nDisplayName=Family\nDisplayName[zh_CN]=家庭\nEnabled=true\n"
                 "Parent=local-stub\n\n[Calendar]\nBackendName=local\nColor=#3465a4\n");
    folder.write(u"config/evolution/sources/off.source"_s,
                 "[Data Source]\nDisplayName=Old\nEnabled=false\n");
    auto store = folder.makeStore();
    EventStoreService service(*store);

    QStringList seen;
    for (const CalendarSource &source : service.availableCalendars())
        seen.append(source.sourceTitle + u'/' + source.title + u' ' + source.colorHex);
    // Evolution's calendars in Chinese, its own English defaults replaced, the disabled one left
    // out.
    QCOMPARE(seen, QStringList({u"本机/个人 #C05621"_s, u"本机/家庭 #3465A4"_s,
                                u"acct/b-apple #FF2968"_s, u"acct/d-plain #C05621"_s,
                                u"acct/Named #40E0D0"_s, u"acct/Vdir #1A2B3C"_s}));
    QCOMPARE(titles(service.events(from, to, {})), QStringList{u"Good"_s});
    // No calendar asked for is none, not every one.
    QVERIFY(store->events(from, to, {}).isEmpty());
}

void TestIcsCalendarStore::changesOnDiskAreSeenOncePerBurst()
{
    IcsTestFolder folder;
    const QString item =
        folder.write(u"calendars/home/work/a.ics"_s, IcsTestFolder::calendar(goodEvent));
    const QString single = folder.write(u"files/single.ics"_s, IcsTestFolder::calendar({}));
    folder.configured = {single};
    auto store = folder.makeStore(true);
    EventStoreService service(*store);
    QCOMPARE(service.events(from, to, {}).size(), 1);
    // How many events there were each time a change was told: one more change than made shows.
    QList<qsizetype> told;
    connect(&service, &EventStoreService::changeSequenceChanged, this,
            [&] { told.append(service.events(from, to, {}).size()); });

    for (int i = 0; i < 5; ++i) {
        folder.write(u"calendars/home/work/b%1.ics"_s.arg(i),
                     IcsTestFolder::calendar(IcsTestFolder::event(
                         "b" + QByteArray::number(i), "DTSTART:20260306T120000Z\nSUMMARY:New")));
    }
    folder.write(u"files/single.ics"_s, IcsTestFolder::calendar(goodEvent));
    QTRY_COMPARE_WITH_TIMEOUT(told, QList<qsizetype>({7}), 5000);

    // A file changed in place, then replaced by renaming another file over it.
    folder.write(u"files/single.ics"_s, IcsTestFolder::calendar({}));
    QTRY_COMPARE_WITH_TIMEOUT(told, QList<qsizetype>({7, 6}), 5000);
    const QString replacement =
        folder.write(u"files/replacement.tmp"_s, IcsTestFolder::calendar(goodEvent));
    QVERIFY(QFile::remove(single) && QFile::rename(replacement, single));
    QTRY_COMPARE_WITH_TIMEOUT(told, QList<qsizetype>({7, 6, 7}), 5000);

    // An item rewritten through the same inode: only a watch on the file itself sees this.
    QFile file(item);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QByteArray text = file.readAll().replace("SUMMARY:Good", "SUMMARY:Edit");
    QVERIFY(file.seek(0) && file.write(text) == text.size());
    file.close();
    QTRY_COMPARE_WITH_TIMEOUT(told, QList<qsizetype>({7, 6, 7, 7}), 5000);
    QCOMPARE(titles(service.events(from, to, {})).count(u"Edit"_s), 1);
}

void TestIcsCalendarStore::settingsAreFollowed()
{
    IcsTestFolder folder;
    // The desktop's default folders, as the application finds them.
    qputenv("XDG_DATA_HOME", folder.path(u"data"_s).toUtf8());
    qputenv("XDG_CONFIG_HOME", folder.path(u"config"_s).toUtf8());
    const auto unset = qScopeGuard([] {
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_CONFIG_HOME");
    });
    folder.write(u"data/calendars/acct/work/displayname"_s, "Work");
    const QString extra =
        folder.write(u"elsewhere/team.ics"_s, IcsTestFolder::calendar({}, "X-WR-CALNAME:Team\n"));
    IcsCalendarStore store(folder.settings, folder.access, nullptr,
                           {.watchFiles = false, .roots = {}, .readInBackground = false});
    EventStoreService service(store);
    QCOMPARE(service.availableCalendars().size(), 1);

    folder.settings.setValue(SettingKeys::calendarFolders,
                             QStringList{extra, u"~/no/such/folder"_s});
    QTRY_COMPARE(service.changeSequence(), 1);
    QStringList titles;
    for (const CalendarSource &source : service.availableCalendars())
        titles.append(source.title);
    QCOMPARE(titles, QStringList({u"Work"_s, u"Team"_s}));

    // Consent revoked by another process while running: nothing is read, the events are not said
    // to have changed, and each change of consent is told once.
    QSignalSpy consent(&folder.access, &CalendarAccess::changed);
    QSignalSpy status(&service, &EventStoreService::authorizationStatusChanged);
    SettingsStore otherProcess(folder.settings.filePath());
    otherProcess.setValue(SettingKeys::eventsAccess, u"denied"_s);
    QTRY_COMPARE(status.size(), 1);
    QCOMPARE(service.authorizationStatus(), CalendarAuthorizationStatus::denied);
    QVERIFY(service.availableCalendars().isEmpty() && store.calendars().isEmpty());
    QCOMPARE(service.changeSequence(), 1);
    otherProcess.setValue(SettingKeys::remindersAccess, u"granted"_s);
    QTRY_COMPARE(consent.size(), 2);
    QVERIFY(consent.at(0).at(0).value<CalendarEntityType>() == CalendarEntityType::event);
    QVERIFY(consent.at(1).at(0).value<CalendarEntityType>() == CalendarEntityType::reminder);
    folder.settings.remove(SettingKeys::eventsAccess);
    QCOMPARE(service.currentAuthorizationStatus(), CalendarAuthorizationStatus::notDetermined);
    folder.settings.setValue(SettingKeys::eventsAccess, u"maybe"_s);
    QCOMPARE(service.currentAuthorizationStatus(), CalendarAuthorizationStatus::notDetermined);
    QCOMPARE(consent.size(), 3);
}

void TestIcsCalendarStore::malformedInputKeepsTheGoodParts_data()
{
    QTest::addColumn<QByteArray>("bad");
    QTest::newRow("not iCalendar") << QByteArray("hello world\nthis is not a calendar\n");
    QTest::newRow("binary with NULs") << QByteArray("BEGIN:VCALENDAR\n\0\0\xff\xfe:\n", 20);
    QTest::newRow("nonsense rule") << IcsTestFolder::calendar(IcsTestFolder::event(
        "rule", "DTSTART:20260305T120000Z\nRRULE:FREQ=SOMETIMES;BYDAY=XX;COUNT=-4"));
    QTest::newRow("mismatched END lines")
        << QByteArray("BEGIN:VCALENDAR\nBEGIN:VEVENT\nUID:x\nEND:VTODO\nBEGIN:VALARM\n"
                      "END:VCALENDAR\nEND:VEVENT\n");
    QByteArray deep = "BEGIN:VCALENDAR\n";
    for (int i = 0; i < 200; ++i)
        deep += "BEGIN:VEVENT\n";
    QTest::newRow("deep nesting") << deep;
}

void TestIcsCalendarStore::malformedInputKeepsTheGoodParts()
{
    QFETCH(QByteArray, bad);
    IcsTestFolder folder;
    // The same bad text as a calendar file of its own and inside a calendar beside a good event.
    folder.write(u"calendars/acct/bad.ics"_s, bad);
    folder.write(u"calendars/acct/mixed.ics"_s,
                 IcsTestFolder::calendar(goodEvent).replace("END:VCALENDAR\r\n", "") + bad);
    folder.write(u"calendars/acct/good.ics"_s, IcsTestFolder::calendar(goodEvent));
    QDir().mkpath(folder.path(u"calendars/acct/locked"_s));
    QFile::setPermissions(folder.path(u"calendars/acct/locked"_s), QFileDevice::Permissions());
    QVERIFY(QFile::link(folder.path(u"calendars"_s), folder.path(u"calendars/acct/loop"_s)));
    auto store = folder.makeStore();
    EventStoreService service(*store);

    QStringList good = titles(service.events(from, to, {}));
    good.removeAll(u"未命名事件"_s);
    QCOMPARE(good, QStringList({u"Good"_s, u"Good"_s}));
    QFile::setPermissions(folder.path(u"calendars/acct/locked"_s),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestIcsCalendarStore::parseCacheIsTrustedOnlyWhole_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("expected");

    const QStringList cached{u"Cached"_s, u"Other"_s};
    const QStringList fresh{u"Good"_s, u"Other"_s};
    QTest::newRow("unchanged") << QString() << cached;
    QTest::newRow("item rewritten, same size and time") << u"rewrite"_s << fresh;
    QTest::newRow("item removed") << u"remove"_s << QStringList{u"Other"_s};
    QTest::newRow("cut short") << u"truncate"_s << fresh;
    QTest::newRow("one byte changed") << u"flip"_s << fresh;
    QTest::newRow("another version") << u"version"_s << fresh;
    QTest::newRow("a FIFO in its place") << u"fifo"_s << fresh;
}

void TestIcsCalendarStore::parseCacheIsTrustedOnlyWhole()
{
    QFETCH(QString, change);
    IcsTestFolder folder;
    const QString item =
        folder.write(u"calendars/home/work/a.ics"_s, IcsTestFolder::calendar(goodEvent));
    folder.write(u"calendars/home/work/b.ics"_s,
                 IcsTestFolder::calendar(IcsTestFolder::event(
                     "other", "DTSTART:20260306T120000Z\nDTEND:20260306T130000Z\nSUMMARY:Other")));
    const auto titlesRead = [&] {
        auto store = folder.makeStore();
        EventStoreService service(*store);
        return titles(service.events(from, to, {}));
    };
    QCOMPARE(titlesRead(), QStringList({u"Good"_s, u"Other"_s}));

    // What the cache holds for the item is told apart from what the file says.
    const QString calendar = QFileInfo(item).absolutePath();
    const IcsParseCache cache;
    IcsParseCache::Files files = cache.load(calendar);
    QCOMPARE(files.size(), size_t(2));
    QCOMPARE(files.front().first, u"a.ics"_s);
    auto edited = std::make_shared<IcsCalendarFile>(*files.front().second.content);
    edited->events.front().title = u"Cached"_s;
    files.front().second.content = edited;
    QVERIFY(cache.save(calendar, files));

    QFile cacheFile(cache.pathFor(calendar));
    QVERIFY(cacheFile.open(QIODevice::ReadWrite));
    QByteArray data = cacheFile.readAll();
    if (change == u"rewrite"_s) {
        const QDateTime modified = QFileInfo(item).lastModified();
        const QDateTime changed = QFileInfo(item).metadataChangeTime();
        // File times move with the kernel's coarse clock: rewrite until the change time moved.
        while (QFileInfo(item).metadataChangeTime() == changed) {
            QFile file(item);
            QVERIFY(file.open(QIODevice::ReadWrite));
            const QByteArray text = file.readAll();
            QVERIFY(file.seek(0) && file.write(text) == text.size());
            QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
        }
    } else if (change == u"remove"_s) {
        QVERIFY(QFile::remove(item));
    } else if (change == u"truncate"_s) {
        data.chop(7);
    } else if (change == u"flip"_s) {
        data[data.size() / 2] = char(data[data.size() / 2] ^ 0x20);
    } else if (change == u"version"_s) {
        // A well-formed file of another format version, its checksum made anew.
        data[4] = char(IcsParseCache::formatVersion + 1); // the version follows the magic
        data.chop(20);
        data += QCryptographicHash::hash(data, QCryptographicHash::Sha1);
    }
    QVERIFY(cacheFile.resize(0) && cacheFile.seek(0) && cacheFile.write(data) == data.size());
    cacheFile.close();
    // Opening a FIFO without a writer would block the read for good.
    if (change == u"fifo"_s) {
        QVERIFY(cacheFile.remove());
        QCOMPARE(mkfifo(QFile::encodeName(cacheFile.fileName()).constData(), 0600), 0);
    }
    QTEST(titlesRead(), "expected");
}

void TestIcsCalendarStore::itemTextComesWhileTheStoreIsStillReading()
{
    const TimeZoneScope zone("Asia/Shanghai");
    IcsTestFolder folder;
    folder.write(u"calendars/home/work/a.ics"_s, IcsTestFolder::calendar(goodEvent));
    // The read stalls, as on a slow disk, until the test lets it go on.
    QSemaphore reading;
    QSemaphore goOn;
    IcsCalendarStore store(folder.settings, folder.access, nullptr,
                           {false, folder.roots(), true, [&] {
                                reading.release();
                                goOn.acquire();
                            }});
    const auto letGo = qScopeGuard([&goOn] { goOn.release(); });
    EventStoreService service(store);
    PreferencesStore preferences(folder.settings);
    HolidayService holidays;
    LunarCalendarService lunar;
    StatusItem statusItem;
    const QDateTime instant({2026, 3, 5}, {6, 3, 9}, QTimeZone::utc());
    StatusBarController controller(
        preferences, service, holidays, lunar, [] {}, statusItem, nullptr,
        [instant] { return instant; });
    QVERIFY(service.events(from, to, {}).isEmpty());
    QTRY_COMPARE(reading.available(), 1);
    QCOMPARE(statusItem.title(), u"3月5日 周四 14:03"_s);
    QVERIFY(service.events(from, to, {}).isEmpty());

    goOn.release();
    QTRY_COMPARE_WITH_TIMEOUT(titles(service.events(from, to, {})), QStringList{u"Good"_s}, 5000);
    QTRY_VERIFY(service.changeSequence() > 0);
}

// A years-long export of many small events: it must load whole, and a broken event at its end
// must cost only that event.
void TestIcsCalendarStore::fiftyMegabyteExportLoadsWhole()
{
    IcsTestFolder folder;
    QByteArray text = IcsTestFolder::calendar({}, "X-WR-CALNAME:Export\n").chopped(15);
    int inMarch = 0;
    for (int i = 0; i < 175'000; ++i) {
        const QDate day = QDate(2026, 1, 1).addDays(i % 365);
        const QByteArray start =
            day.toString(u"yyyyMMdd'T'"_s).toLatin1() + QByteArray::number(10 + i % 10);
        text += "BEGIN:VEVENT\r\nUID:event-" + QByteArray::number(i)
                + "@example.org\r\nDTSTAMP:20250101T000000Z\r\nDTSTART:" + start
                + "0000Z\r\nDTEND:" + start + "3000Z\r\nSUMMARY:Event number "
                + QByteArray::number(i) + "\r\nLOCATION:Room " + QByteArray::number(i % 50)
                + "\r\nDESCRIPTION:A description that makes the file as large as real exports "
                  "are\\, with some escaped text\\; and more.\r\nEND:VEVENT\r\n";
        inMarch += day.month() == 3 ? 1 : 0;
    }
    text += "BEGIN:VEVENT\r\nUID:cut\r\nDTSTART:2026031";
    QVERIFY(text.size() > 50'000'000);
    const QString path = folder.write(u"files/export.ics"_s, std::exchange(text, {}));
    folder.configured = {path};

    auto store = folder.makeStore();
    const QList<StoreCalendar> calendars = store->calendars();
    QCOMPARE(calendars.size(), 1);
    QCOMPARE(store->events(from, to, calendars).size(), inMarch);

    // Cut short while it is parsed, as `cp` or `curl -o` rewrite a file in place: the program
    // reads what there is and lives on.
    QVERIFY(QFile::remove(IcsParseCache().pathFor(calendars.front().identifier)));
    std::thread cutter;
    IcsCalendarStore cut(folder.settings, folder.access, nullptr,
                         {false, folder.roots(), false, [&] {
                              cutter = std::thread([&path] {
                                  QThread::msleep(50);
                                  QFile::resize(path, 1000);
                              });
                          }});
    const qsizetype read = cut.calendars().size();
    cutter.join();
    QCOMPARE(read, 1);
}

QTEST_MAIN(TestIcsCalendarStore)
#include "tst_icscalendarstore.moc"
