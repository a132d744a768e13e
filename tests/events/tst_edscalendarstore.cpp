// Evolution Data Server through the application's store, against a private registry and calendar
// factory started on this test's own bus with temporary XDG folders.

#include "IcsTestFolder.h"
#include "TimeZoneScope.h"
#include "events/CombinedCalendarStore.h"
#include "events/EventStoreService.h"
#include "shared/SystemTimeZone.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QTest>

#include <algorithm>

#include <libecal/libecal.h>
#include <libedataserver/libedataserver.h>

using namespace Qt::StringLiterals;

namespace {

const QString work = u"tessel-work"_s;

QByteArray sourceFile(const QByteArray &name, const QByteArray &color)
{
    return "[Data Source]\nDisplayName=" + name
           + "\nEnabled=true\nParent=local-stub\n\n[Calendar]\nBackendName=local\nColor=" + color
           + "\nSelected=true\n";
}

struct GObjectDeleter
{
    void operator()(gpointer object) const { g_object_unref(object); }
};

template<typename T> using GPtr = std::unique_ptr<T, GObjectDeleter>;

} // namespace

class TestEdsCalendarStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void monthThroughTheCombinedStoreThenLiveChanges();

private:
    [[nodiscard]] QStringList shown(const QString &calendarId = {}) const;

    TimeZoneScope zone{"Europe/Berlin"};
    IcsTestFolder folder;
    std::unique_ptr<CombinedCalendarStore> store;
    std::unique_ptr<EventStoreService> service;
};

void TestEdsCalendarStore::initTestCase()
{
    // The services started on the bus take these folders from the activation environment.
    const QMap<QString, QString> environment{{u"XDG_CONFIG_HOME"_s, folder.path(u"config"_s)},
                                             {u"XDG_DATA_HOME"_s, folder.path(u"data"_s)},
                                             {u"XDG_CACHE_HOME"_s, folder.path(u"cache"_s)},
                                             {u"GSETTINGS_BACKEND"_s, u"memory"_s},
                                             {u"TZ"_s, u"Europe/Berlin"_s}};
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        qputenv(it.key().toUtf8().constData(), it.value().toUtf8());
    QDBusInterface bus(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                       u"org.freedesktop.DBus"_s, QDBusConnection::sessionBus());
    qDBusRegisterMetaType<QMap<QString, QString>>();
    const QDBusReply<void> updated =
        bus.call(u"UpdateActivationEnvironment"_s, QVariant::fromValue(environment));
    QVERIFY2(updated.isValid(), qPrintable(updated.error().message()));

    folder.write(u"config/evolution/sources/tessel-work.source"_s, sourceFile("Work", "#3465a4"));
    folder.write(u"data/evolution/calendar/tessel-work/calendar.ics"_s,
                 IcsTestFolder::calendar(
                     IcsTestFolder::event("standup", "DTSTART:20260310T080000Z\n"
                                                     "DTEND:20260310T083000Z\nSUMMARY:Standup")
                     + IcsTestFolder::event("trip", "DTSTART;VALUE=DATE:20260312\n"
                                                    "DTEND;VALUE=DATE:20260314\nSUMMARY:Trip")
                     // Weekly over the change to summer time; the third is past the grid.
                     + IcsTestFolder::event("review", "DTSTART:20260323T170000Z\n"
                                                      "DTEND:20260323T180000Z\nSUMMARY:Review\n"
                                                      "RRULE:FREQ=WEEKLY;COUNT=3")));
    folder.write(u"data/calendars/home/dentist.ics"_s,
                 IcsTestFolder::calendar(IcsTestFolder::event(
                     "dentist", "DTSTART:20260316T130000Z\nDTEND:20260316T140000Z\n"
                                "SUMMARY:Dentist")));
    folder.write(u"data/calendars/home/displayname"_s, "家");

    CombinedCalendarStore::Options options;
    options.files.watchFiles = false;
    store = std::make_unique<CombinedCalendarStore>(folder.settings, nullptr, options);
    service = std::make_unique<EventStoreService>(*store);
}

QStringList TestEdsCalendarStore::shown(const QString &calendarId) const
{
    QStringList lines;
    for (const CalendarDayEvent &item :
         service->eventsForVisibleGrid(QDateTime(QDate(2026, 3, 10), QTime(12, 0)), {})) {
        if (calendarId.isEmpty() || item.calendarIdentifier == calendarId)
            lines.append(SystemTimeZone::civilDate(item.displayDate).toString(u"MM-dd "_s)
                         + item.timeText() + u' ' + item.title + u" ["_s + item.calendarTitle + u' '
                         + item.colorHex + u']');
    }
    return lines;
}

void TestEdsCalendarStore::monthThroughTheCombinedStoreThenLiveChanges()
{
    // The first start of the registry and factory on a fresh bus takes a few seconds.
    const QStringList expected{
        u"03-10 09:00 - 09:30 Standup [Work #3465A4]"_s,
        u"03-12 全天 Trip [Work #3465A4]"_s,
        u"03-23 18:00 - 19:00 Review [Work #3465A4]"_s,
        u"03-30 19:00 - 20:00 Review [Work #3465A4]"_s,
    };
    QTRY_COMPARE_WITH_TIMEOUT(shown(work).join(u'\n'), expected.join(u'\n'), 30000);

    // Evolution's files are read through the registry alone: nothing twice, the vdir beside it.
    QStringList withFiles = expected;
    withFiles.insert(2, u"03-16 14:00 - 15:00 Dentist [家 #C05621]"_s);
    QCOMPARE(shown(), withFiles);

    // A source added, an event added to it, the source disabled: all seen while running.
    const QString late = u"tessel-late"_s;
    folder.write(u"data/evolution/calendar/tessel-late/calendar.ics"_s,
                 IcsTestFolder::calendar(IcsTestFolder::event(
                     "planning", "DTSTART:20260319T150000Z\nDTEND:20260319T160000Z\n"
                                 "SUMMARY:Planning")));
    folder.write(u"config/evolution/sources/tessel-late.source"_s, sourceFile("Late", "#ad7fa8"));
    QTRY_COMPARE_WITH_TIMEOUT(shown(late),
                              QStringList(u"03-19 16:00 - 17:00 Planning [Late #AD7FA8]"_s), 10000);

    GError *error = nullptr;
    const GPtr<ESourceRegistry> registry(e_source_registry_new_sync(nullptr, &error));
    QVERIFY2(registry, error ? error->message : "");
    const GPtr<ESource> source(e_source_registry_ref_source(registry.get(), "tessel-late"));
    QVERIFY(source);
    const GPtr<EClient> client(e_cal_client_connect_sync(
        source.get(), E_CAL_CLIENT_SOURCE_TYPE_EVENTS, 5, nullptr, &error));
    QVERIFY2(client, error ? error->message : "");
    const GPtr<ICalComponent> added(i_cal_component_new_from_string(
        IcsTestFolder::event("live", "DTSTART:20260317T090000Z\nDTEND:20260317T100000Z\n"
                                     "SUMMARY:Added live")
            .constData()));
    QVERIFY(e_cal_client_create_object_sync(E_CAL_CLIENT(client.get()), added.get(),
                                            E_CAL_OPERATION_FLAG_NONE, nullptr, nullptr, &error));
    QTRY_COMPARE_WITH_TIMEOUT(shown(late).value(0),
                              u"03-17 10:00 - 11:00 Added live [Late #AD7FA8]"_s, 15000);

    e_source_set_enabled(source.get(), FALSE);
    QVERIFY(e_source_write_sync(source.get(), nullptr, &error));
    QTRY_VERIFY_WITH_TIMEOUT(shown(late).isEmpty(), 15000);
    QTRY_VERIFY(std::none_of(service->availableCalendars().cbegin(),
                             service->availableCalendars().cend(),
                             [&](const CalendarSource &calendar) { return calendar.id == late; }));
    QCOMPARE(shown(work).size(), 4);
}

QTEST_GUILESS_MAIN(TestEdsCalendarStore)
#include "tst_edscalendarstore.moc"
