// Evolution Data Server through the application's store, against a private registry and calendar
// factory started on this test's own bus with temporary XDG folders.

#include "AwaitWrite.h"
#include "IcsTestFolder.h"
#include "TimeZoneScope.h"
#include "app/EventsCommand.h"
#include "calendar/CalendarViewModel.h"
#include "events/CombinedCalendarStore.h"
#include "events/EventStoreService.h"
#include "holidays/HolidayService.h"
#include "holidays/LunarCalendarService.h"
#include "preferences/CalendarAccessPage.h"
#include "preferences/PreferencesStore.h"
#include "shared/CHandle.h"
#include "shared/SystemTimeZone.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QProcess>
#include <QTest>

#include <algorithm>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <libecal/libecal.h>
#include <libedataserver/libedataserver.h>

using namespace Qt::StringLiterals;

namespace {

const QString work = u"tessel-work"_s;
const QString hidden = u"tessel-hidden"_s;
// The work calendar's month as every test finds it and leaves it.
const QStringList workMonth{
    u"03-10 09:00 - 09:30 Standup [Work #3465A4]"_s,
    u"03-12 全天 Trip [Work #3465A4]"_s,
    u"03-23 18:00 - 19:00 Review [Work #3465A4]"_s,
    u"03-30 19:00 - 20:00 Review [Work #3465A4]"_s,
    // A week's margin after the month covers the grid whatever day weeks start on.
    u"04-06 19:00 - 20:00 Review [Work #3465A4]"_s,
};

QByteArray sourceFile(const QByteArray &name, const QByteArray &color)
{
    return "[Data Source]\nDisplayName=" + name
           + "\nEnabled=true\nParent=local-stub\n\n[Calendar]\nBackendName=local\nColor=" + color
           + "\nSelected=true\n";
}

// A port on the loopback interface that was free a moment ago, or -1.
int freePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = -1;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        close(fd);
    return port;
}

bool accepts(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected =
        fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    if (fd >= 0)
        close(fd);
    return connected;
}

template<typename T> using GPtr = CHandle<T, g_object_unref>;

} // namespace

class TestEdsCalendarStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void monthThroughStoreAndViewModel();
    void eventsCommandListsBothKinds();
    void registryGoneAndBack();
    void newEventIntoLocalCalendarAndUndone();
    void liveChangesAndDisabledSource();
    void calDavSourceOnALocalServer();

private:
    [[nodiscard]] QStringList shown(const QString &calendarId = {}) const;
    [[nodiscard]] GPtr<ESource> registrySource(const QString &uid);
    [[nodiscard]] bool offered(const QString &calendarId) const;

    TimeZoneScope zone{"Europe/Berlin"};
    IcsTestFolder folder;
    std::unique_ptr<CombinedCalendarStore> store;
    std::unique_ptr<EventStoreService> service;
    std::unique_ptr<PreferencesStore> preferences;
    HolidayService holidays;
    LunarCalendarService lunar;
    std::unique_ptr<CalendarViewModel> model;
    GPtr<ESourceRegistry> registry;
    QProcess radicale;
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
    folder.write(u"config/evolution/sources/tessel-hidden.source"_s,
                 sourceFile("Hidden", "#73d216"));
    folder.write(
        u"data/evolution/calendar/tessel-work/calendar.ics"_s,
        IcsTestFolder::calendar(
            IcsTestFolder::event("standup", "DTSTART:20260310T080000Z\n"
                                            "DTEND:20260310T083000Z\nSUMMARY:Standup")
            + IcsTestFolder::event("trip", "DTSTART;VALUE=DATE:20260312\n"
                                           "DTEND;VALUE=DATE:20260314\nSUMMARY:Trip")
            // Santiago skips the first hour of 8 September 2024.
            + IcsTestFolder::event("rally", "DTSTART;TZID=America/Santiago:20240908T003000\n"
                                            "DTEND;TZID=America/Santiago:20240908T023000\n"
                                            "SUMMARY:Rally")
            // Weekly over the change to summer time; the third is past the grid.
            + IcsTestFolder::event("review", "DTSTART:20260323T170000Z\n"
                                             "DTEND:20260323T180000Z\nSUMMARY:Review\n"
                                             "RRULE:FREQ=WEEKLY;COUNT=3")));
    folder.write(u"data/evolution/calendar/tessel-hidden/calendar.ics"_s,
                 IcsTestFolder::calendar(IcsTestFolder::event(
                     "secret", "DTSTART:20260311T100000Z\nDTEND:20260311T110000Z\n"
                               "SUMMARY:Secret")));
    folder.write(u"data/calendars/home/dentist.ics"_s,
                 IcsTestFolder::calendar(IcsTestFolder::event(
                     "dentist", "DTSTART:20260316T130000Z\nDTEND:20260316T140000Z\n"
                                "SUMMARY:Dentist")));
    folder.write(u"data/calendars/home/displayname"_s, "家");

    folder.settings.setValue(SettingKeys::excludedCalendarIdentifiers, QStringList{hidden});
    folder.access.setGranted(CalendarEntityType::event, false);
    CombinedCalendarStore::Options options;
    options.files.watchFiles = false;
    store =
        std::make_unique<CombinedCalendarStore>(folder.settings, folder.access, nullptr, options);
    service = std::make_unique<EventStoreService>(*store);
    preferences = std::make_unique<PreferencesStore>(folder.settings);
    const QDateTime now(QDate(2026, 3, 10), QTime(12, 0));
    model = std::make_unique<CalendarViewModel>(*preferences, *service, holidays, lunar,
                                                [now] { return now; });

    // Nothing is read until the user allows it on the access page, then both stores read.
    QVERIFY(service->availableCalendars().isEmpty());
    CalendarAccessPage page(folder.settings, folder.access);
    page.eventsSwitch()->click();
    // The first start of the registry and factory on a fresh bus takes a few seconds.
    QTRY_COMPARE_WITH_TIMEOUT(shown(work).join(u'\n'), workMonth.join(u'\n'), 30000);
}

QStringList TestEdsCalendarStore::shown(const QString &calendarId) const
{
    QStringList lines;
    for (const CalendarDayEvent &item : model->monthEvents()) {
        if (calendarId.isEmpty() || item.calendarIdentifier == calendarId)
            lines.append(SystemTimeZone::civilDate(item.displayDate).toString(u"MM-dd "_s)
                         + item.timeText() + u' ' + item.title + u" ["_s + item.calendarTitle + u' '
                         + item.colorHex + u']');
    }
    return lines;
}

GPtr<ESource> TestEdsCalendarStore::registrySource(const QString &uid)
{
    if (!registry)
        registry.reset(e_source_registry_new_sync(nullptr, nullptr));
    return GPtr<ESource>(
        registry ? e_source_registry_ref_source(registry.get(), uid.toUtf8().constData())
                 : nullptr);
}

bool TestEdsCalendarStore::offered(const QString &calendarId) const
{
    const QList<CalendarSource> writable = service->writableCalendars();
    return std::any_of(writable.cbegin(), writable.cend(),
                       [&calendarId](const auto &calendar) { return calendar.id == calendarId; });
}

void TestEdsCalendarStore::monthThroughStoreAndViewModel()
{
    // Evolution's files are read through the registry alone: nothing twice, the vdir beside it,
    // the excluded calendar left out.
    QStringList withFiles = workMonth;
    withFiles.insert(2, u"03-16 14:00 - 15:00 Dentist [家 #C05621]"_s);
    QCOMPARE(shown(), withFiles);
    QStringList calendars;
    for (const CalendarSource &calendar : service->availableCalendars())
        calendars.append(calendar.id.startsWith(u'/')
                             ? calendar.title
                             : calendar.id + u' ' + calendar.title + u' ' + calendar.sourceTitle);
    calendars.sort();
    QCOMPARE(calendars.join(u'|'),
             QStringList({u"birthdays 生日和纪念日 联系人"_s, u"system-calendar 个人 本机"_s,
                          u"tessel-hidden Hidden 本机"_s, u"tessel-work Work 本机"_s, u"家"_s})
                 .join(u'|'));
    const QList<CalendarDayEvent> all = service->events(
        QDateTime(QDate(2026, 3, 11), QTime(0, 0)), QDateTime(QDate(2026, 3, 12), QTime(0, 0)), {});
    QCOMPARE(all.size(), 1);
    QCOMPARE(all.first().title, u"Secret"_s);
}

void TestEdsCalendarStore::eventsCommandListsBothKinds()
{
    QString output;
    QString errors;
    QTextStream out(&output);
    QTextStream err(&errors);
    QCOMPARE(EventsCommand(out, err, folder.settings, folder.access)
                 .run({u"2026-03-10"_s, u"2026-03-16"_s}),
             0);
    QCOMPARE(errors, QString());
    QCOMPARE(output.split(u'\n', Qt::SkipEmptyParts).join(u'|'),
             QStringList({u"2026-03-10  09:00 - 09:30  Standup  [Work]"_s,
                          u"2026-03-12  全天           Trip  [Work]"_s,
                          u"2026-03-16  14:00 - 15:00  Dentist  [家]"_s})
                 .join(u'|'));
    // A start that a clock change skips moves forward by the gap: 01:30 in Santiago.
    QString september;
    QTextStream septemberOut(&september);
    QCOMPARE(EventsCommand(septemberOut, err, folder.settings, folder.access)
                 .run({u"2024-09-08"_s, u"2024-09-08"_s}),
             0);
    QCOMPARE(september.simplified(), u"2024-09-08 06:30 - 07:30 Rally [Work]"_s);
}

// A registry that crashes leaves Evolution's local calendars read from their files, once each,
// and is followed again when it is back.
void TestEdsCalendarStore::registryGoneAndBack()
{
    const QString registryName = u"org.gnome.evolution.dataserver.Sources5"_s;
    QDBusInterface bus(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                       u"org.freedesktop.DBus"_s, QDBusConnection::sessionBus());
    const QDBusReply<uint> pid = bus.call(u"GetConnectionUnixProcessID"_s, registryName);
    QVERIFY(pid.isValid());
    QVERIFY(::kill(pid_t(pid.value()), SIGKILL) == 0);
    const QString standup = u"03-10 09:00 - 09:30 Standup [Work #3465A4]"_s;
    const auto standupFrom = [this] {
        QStringList calendars;
        for (const CalendarDayEvent &item : model->monthEvents()) {
            if (item.title == u"Standup"_s)
                calendars.append(item.calendarIdentifier);
        }
        return calendars;
    };
    QTRY_COMPARE_WITH_TIMEOUT(
        standupFrom(),
        QStringList(QFileInfo(folder.path(u"data/evolution/calendar/tessel-work/calendar.ics"_s))
                        .canonicalFilePath()),
        10000);

    const QDBusReply<uint> started = bus.call(u"StartServiceByName"_s, registryName, 0u);
    QVERIFY2(started.isValid(), qPrintable(started.error().message()));
    QTRY_COMPARE_WITH_TIMEOUT(standupFrom(), QStringList(work), 10000);
}

// Written through the calendar factory, listed by it and by the panel at once, and taken back.
void TestEdsCalendarStore::newEventIntoLocalCalendarAndUndone()
{
    QTRY_VERIFY_WITH_TIMEOUT(offered(work), 15000);
    // The contacts' birthdays cannot take events.
    QVERIFY(!offered(u"birthdays"_s));
    const NewCalendarEvent event{work,
                                 u"评审"_s,
                                 u"三楼"_s,
                                 false,
                                 QDateTime(QDate(2026, 3, 18), QTime(10, 0)),
                                 QDateTime(QDate(2026, 3, 18), QTime(11, 0))};
    const CalendarWriteResult created =
        awaitWrite([&](auto done) { service->createEvent(event, this, done); });
    QCOMPARE(created.error, QString());
    const QList<CalendarDayEvent> listed = service->events(event.start, event.end, {});
    QVERIFY(std::any_of(listed.cbegin(), listed.cend(),
                        [](const CalendarDayEvent &item) { return item.title == u"评审"_s; }));
    QTRY_VERIFY(shown(work).contains(u"03-18 10:00 - 11:00 评审 [Work #3465A4]"_s));

    GError *error = nullptr;
    const GPtr<EClient> client(e_cal_client_connect_sync(
        registrySource(work).get(), E_CAL_CLIENT_SOURCE_TYPE_EVENTS, 5, nullptr, &error));
    QVERIFY2(client, error ? error->message : "");
    ICalComponent *rawStored = nullptr;
    QVERIFY(e_cal_client_get_object_sync(E_CAL_CLIENT(client.get()),
                                         created.eventUid.toUtf8().constData(), nullptr, &rawStored,
                                         nullptr, &error));
    const GPtr<ICalComponent> stored(rawStored);
    const CHandle<gchar, g_free> ical(i_cal_component_as_ical_string(stored.get()));
    const QString text = QString::fromUtf8(ical.get());
    QVERIFY2(text.contains(u"SUMMARY:评审"_s) && text.contains(u"LOCATION:三楼"_s)
                 && text.contains(u"DTSTART;TZID=Europe/Berlin:20260318T100000"_s),
             qPrintable(text));

    const CalendarWriteResult removed =
        awaitWrite([&](auto done) { service->removeCreatedEvent(created, this, done); });
    QCOMPARE(removed.error, QString());
    QVERIFY(service->events(event.start, event.end, {}).isEmpty());
    QVERIFY(!e_cal_client_get_object_sync(E_CAL_CLIENT(client.get()),
                                          created.eventUid.toUtf8().constData(), nullptr,
                                          &rawStored, nullptr, &error));
    g_clear_error(&error);
    QTRY_COMPARE(shown(work), workMonth);
}

void TestEdsCalendarStore::liveChangesAndDisabledSource()
{
    const GPtr<ESource> source = registrySource(work);
    QVERIFY(source);
    GError *error = nullptr;
    const GPtr<EClient> client(e_cal_client_connect_sync(
        source.get(), E_CAL_CLIENT_SOURCE_TYPE_EVENTS, 5, nullptr, &error));
    QVERIFY2(client, error ? error->message : "");
    const GPtr<ICalComponent> added(i_cal_component_new_from_string(
        "BEGIN:VEVENT\r\nUID:live\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:20260317T090000Z\r\n"
        "DTEND:20260317T100000Z\r\nSUMMARY:Added live\r\nEND:VEVENT\r\n"));
    QVERIFY(e_cal_client_create_object_sync(E_CAL_CLIENT(client.get()), added.get(),
                                            E_CAL_OPERATION_FLAG_NONE, nullptr, nullptr, &error));
    QTRY_VERIFY_WITH_TIMEOUT(
        shown(work).contains(u"03-17 10:00 - 11:00 Added live [Work #3465A4]"_s), 15000);

    e_source_set_enabled(source.get(), FALSE);
    QVERIFY(e_source_write_sync(source.get(), nullptr, &error));
    QTRY_VERIFY_WITH_TIMEOUT(shown(work).isEmpty(), 15000);
    QTRY_VERIFY(std::none_of(service->availableCalendars().cbegin(),
                             service->availableCalendars().cend(),
                             [](const CalendarSource &calendar) { return calendar.id == work; }));
    QCOMPARE(shown(), QStringList(u"03-16 14:00 - 15:00 Dentist [家 #C05621]"_s));

    e_source_set_enabled(source.get(), TRUE);
    QVERIFY(e_source_write_sync(source.get(), nullptr, &error));
    QVERIFY(e_cal_client_remove_object_sync(E_CAL_CLIENT(client.get()), "live", nullptr,
                                            E_CAL_OBJ_MOD_ALL, E_CAL_OPERATION_FLAG_NONE, nullptr,
                                            &error));
    QTRY_COMPARE_WITH_TIMEOUT(shown(work), workMonth, 15000);
}

// The path an online account takes: a CalDAV calendar on a real server, read by the factory.
void TestEdsCalendarStore::calDavSourceOnALocalServer()
{
    const int port = freePort();
    QVERIFY(port > 0);
    folder.write(u"radicale/collection-root/tessel/team/.Radicale.props"_s,
                 R"({"tag": "VCALENDAR", "D:displayname": "Team"})");
    folder.write(u"radicale/collection-root/tessel/team/planning.ics"_s,
                 IcsTestFolder::calendar(IcsTestFolder::event(
                     "planning", "DTSTART:20260319T150000Z\nDTEND:20260319T160000Z\n"
                                 "SUMMARY:Planning")));
    folder.write(u"radicale/rights"_s, "[everyone]\nuser: .*\ncollection: .*\npermissions: RrWw\n");
    const QString config = folder.write(
        u"radicale/config"_s,
        "[server]\nhosts = 127.0.0.1:" + QByteArray::number(port)
            + "\n[auth]\ntype = none\n[rights]\ntype = from_file\nfile = "
            + folder.path(u"radicale/rights"_s).toUtf8()
            + "\n[storage]\nfilesystem_folder = " + folder.path(u"radicale"_s).toUtf8() + "\n");
    radicale.start(u"radicale"_s, {u"--config"_s, config});
    QVERIFY2(radicale.waitForStarted(), qPrintable(radicale.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(accepts(port), 10000);

    folder.write(u"config/evolution/sources/tessel-team.source"_s,
                 "[Data Source]\nDisplayName=Team\nEnabled=true\nParent=\n\n"
                 "[Calendar]\nBackendName=caldav\nColor=#ad7fa8\n\n"
                 "[Authentication]\nHost=127.0.0.1\nMethod=none\nPort="
                     + QByteArray::number(port)
                     + "\nUser=\n\n[Security]\nMethod=none\n\n"
                       "[WebDAV Backend]\nResourcePath=/tessel/team/\n");
    QTRY_COMPARE_WITH_TIMEOUT(shown(u"tessel-team"_s).join(u'|'),
                              u"03-19 16:00 - 17:00 Planning [Team #AD7FA8]"_s, 20000);

    // A new event goes to the server, as Evolution's own would.
    QTRY_VERIFY_WITH_TIMEOUT(offered(u"tessel-team"_s), 15000);
    const NewCalendarEvent event{u"tessel-team"_s,
                                 u"上线"_s,
                                 {},
                                 false,
                                 QDateTime(QDate(2026, 3, 20), QTime(9, 0)),
                                 QDateTime(QDate(2026, 3, 20), QTime(10, 0))};
    const CalendarWriteResult created =
        awaitWrite([&](auto done) { service->createEvent(event, this, done); });
    QCOMPARE(created.error, QString());
    const auto onServer = [port] {
        QProcess get;
        get.start(u"python3"_s,
                  {u"-c"_s,
                   u"import sys, urllib.request; "
                   "sys.stdout.buffer.write(urllib.request.urlopen(sys.argv[1]).read())"_s,
                   u"http://127.0.0.1:%1/tessel/team/"_s.arg(port)});
        get.waitForFinished(10000);
        return QString::fromUtf8(get.readAllStandardOutput());
    };
    QTRY_VERIFY_WITH_TIMEOUT(onServer().contains(u"UID:"_s + created.eventUid), 15000);
    const QString collection = onServer();
    QVERIFY2(collection.contains(u"SUMMARY:上线"_s)
                 && collection.contains(u"DTSTART;TZID=Europe/Berlin:20260320T090000"_s),
             qPrintable(collection));

    GError *error = nullptr;
    QVERIFY(e_source_remove_sync(registrySource(u"tessel-team"_s).get(), nullptr, &error));
    QTRY_VERIFY_WITH_TIMEOUT(shown(u"tessel-team"_s).isEmpty(), 15000);
    radicale.terminate();
    radicale.waitForFinished();
}

QTEST_MAIN(TestEdsCalendarStore)
#include "tst_edscalendarstore.moc"
