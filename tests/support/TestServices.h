#pragma once

#include "FakeCalendarStore.h"
#include "FakeColorSchemePortal.h"
#include "FakeKeyGrabber.h"
#include "FakeLauncher.h"
#include "TestFiles.h"
#include "TimeZoneScope.h"
#include "app/AppServices.h"
#include "calendar/CalendarViewModel.h"
#include "events/CalendarAccess.h"
#include "events/EventStoreService.h"
#include "events/IcsCalendarStore.h"
#include "holidays/HolidayService.h"
#include "holidays/LunarCalendarService.h"
#include "look/AppTheme.h"
#include "preferences/LaunchAtLoginService.h"
#include "preferences/PreferencesStore.h"
#include "shared/CivilCalendar.h"
#include "shared/DesktopColorScheme.h"
#include "shortcut/ShortcutService.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <memory>
#include <optional>

// A month load the test completes when it chooses.
struct HeldLoad
{
    QDateTime month;
    QSet<QString> excluded;
    std::function<void(const QList<CalendarDayEvent> &)> done;
};

// A temporary folder as the user's configuration and data, holding the settings a test starts
// from before anything reads them; and the fakes the services were given, once made.
struct TestFolder
{
    TestFolder(const QJsonObject &settings, const QByteArray &zone)
    {
        if (!zone.isEmpty())
            zoneScope.emplace(zone);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir.filePath(QStringLiteral("xdg"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
        AppTheme::setSystemAppearanceSource([] { return false; }); // never ask the desktop
        if (!settings.isEmpty())
            writeFile(SettingsStore::defaultFilePath(), QJsonDocument(settings).toJson());
    }

    std::optional<TimeZoneScope> zoneScope;
    QTemporaryDir dir;
    FakeKeyGrabber *keyGrabber = nullptr; // made with the shortcut service
    FakeCalendarStore *store = nullptr; // the panel's calendars
};

// The program's services over a TestFolder, with fakes for what reaches the desktop: nobody is
// asked for calendar access, nothing is launched, keys are grabbed by `keyGrabber`; calendars
// are the folder's files, read at once. A panel's services have fake calendars instead, in a
// pinned zone with a fixed clock, and a view model whose month loads the test serves.
class TestServices : public TestFolder, public AppServices
{
public:
    explicit TestServices(const QJsonObject &settings = {},
                          KeyGrabber::Mechanism keyGrab = KeyGrabber::Mechanism::keyGrab)
        : TestFolder(settings, {})
        , AppServices(SettingsStore::defaultFilePath(), SettingsStore::Access::readWrite,
                      platform(*this, keyGrab))
    {
    }

    /// A panel's; the clock stands at 10:00 of `today` in the zone. The month's events are
    /// whatever `events` holds when a load asks.
    TestServices(const QByteArray &zone, const QDate &today)
        : TestFolder({}, zone)
        , AppServices(SettingsStore::defaultFilePath(), SettingsStore::Access::readWrite,
                      platform(*this, KeyGrabber::Mechanism::keyGrab, true))
        , currentTime(at(today.year(), today.month(), today.day(), 10))
    {
        viewModel = std::make_unique<CalendarViewModel>(*preferences, *eventStore, holidayService(),
                                                        lunarCalendarService(),
                                                        [this] { return currentTime; });
        viewModel->setMonthEventsFetch(
            [this](const QDateTime &month, const QSet<QString> &excluded,
                   std::function<void(const QList<CalendarDayEvent> &)> done) {
                ++loads;
                if (holdLoads)
                    held.append({month, excluded, std::move(done)});
                else
                    done(events);
            });
        settle();
    }

    ~TestServices()
    {
        AppTheme::setSystemAppearanceSource({});
        AppTheme::setAppearanceMode(AppAppearanceMode::system);
    }

    /// Fakes for what reaches the desktop, for services of a test's own over the same folder.
    static Platform fakes()
    {
        Platform platform;
        platform.desktopLauncher = std::make_unique<FakeLauncher>();
        platform.keyGrabber = [] {
            return std::make_unique<FakeKeyGrabber>();
        };
        platform.calendarStore = [](SettingsStore &settings, CalendarAccess &access) {
            IcsCalendarStore::Options options;
            options.watchFiles = false;
            options.readInBackground = false; // pages show the calendars at once
            return std::make_unique<IcsCalendarStore>(settings, access, nullptr, options);
        };
        return platform;
    }

    [[nodiscard]] QByteArray settingsFileContents() const { return readFile(settings->filePath()); }

    [[nodiscard]] QJsonObject settingsFile() const
    {
        return QJsonDocument::fromJson(settingsFileContents()).object();
    }

    /// An instant of wall-clock time in the pinned zone.
    [[nodiscard]] static QDateTime at(int year, int month, int day, int hour = 0, int minute = 0)
    {
        return CivilCalendar::viewCalendar().date(year, month, day, hour, minute).value();
    }

    /// Runs the queued tasks (loads and their follow-ups) and deletes what was let go.
    static void settle()
    {
        for (int i = 0; i < 6; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    /// Reloads the displayed month with these events.
    void setEvents(const QList<CalendarDayEvent> &newEvents)
    {
        events = newEvents;
        viewModel->nextMonth();
        viewModel->previousMonth();
        settle();
    }

    static CalendarDayEvent event(const QString &title, const QDateTime &start,
                                  const QString &colorHex = QStringLiteral("#2255AA"),
                                  bool allDay = false)
    {
        CalendarDayEvent item;
        item.id = title + QLatin1Char('@') + start.toString(Qt::ISODate);
        item.title = title;
        item.displayDate = item.startDate = start;
        item.endDate = start.addSecs(allDay ? 86400 : 3600);
        item.isAllDay = allDay;
        item.colorHex = colorHex;
        return item;
    }

    // The services tests reach most, by short names.
    SettingsStore *const settings = &settingsStore();
    PreferencesStore *const preferences = &preferencesStore();
    EventStoreService *const eventStore = &eventStoreService();
    std::unique_ptr<DesktopColorScheme> desktop =
        std::make_unique<DesktopColorScheme>(std::make_unique<FakeColorSchemePortal>(2));
    QDateTime currentTime;
    QList<CalendarDayEvent> events;
    bool holdLoads = false;
    QList<HeldLoad> held;
    int loads = 0;
    std::unique_ptr<CalendarViewModel> viewModel;

private:
    static Platform platform(TestFolder &folder, KeyGrabber::Mechanism keyGrab,
                             bool fakeCalendars = false)
    {
        Platform platform = fakes();
        platform.keyGrabber = [&folder, keyGrab] {
            auto grabber = std::make_unique<FakeKeyGrabber>(keyGrab);
            folder.keyGrabber = grabber.get();
            return grabber;
        };
        if (fakeCalendars)
            platform.calendarStore = [&folder](SettingsStore &, CalendarAccess &) {
                auto store = std::make_unique<FakeCalendarStore>();
                folder.store = store.get();
                return store;
            };
        return platform;
    }
};
