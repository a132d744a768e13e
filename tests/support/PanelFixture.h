#pragma once

#include "FakeCalendarStore.h"
#include "FakeColorSchemePortal.h"
#include "TimeZoneScope.h"
#include "calendar/CalendarViewModel.h"
#include "events/EventStoreService.h"
#include "holidays/HolidayService.h"
#include "holidays/LunarCalendarService.h"
#include "preferences/PreferencesStore.h"
#include "shared/CivilCalendar.h"
#include "shared/DesktopColorScheme.h"
#include "shared/SettingsStore.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTemporaryDir>

#include <memory>

// A month load the test completes when it chooses.
struct HeldLoad
{
    QDateTime month;
    QSet<QString> excluded;
    std::function<void(const QList<CalendarDayEvent> &)> done;
};

// The services behind a panel, in a pinned zone with a fixed clock and a settings file of its
// own. The month's events are whatever `events` holds when a load asks.
class PanelFixture
{
public:
    /// The clock stands at 10:00 of `today` in the zone.
    PanelFixture(const QByteArray &zone, const QDate &today)
        : zoneScope(zone)
        , settings(directory.filePath(QStringLiteral("settings.json")))
    {
        preferences = std::make_unique<PreferencesStore>(settings);
        eventStore = std::make_unique<EventStoreService>(store);
        currentTime = at(today.year(), today.month(), today.day(), 10);
        desktop = std::make_unique<DesktopColorScheme>(std::make_unique<FakeColorSchemePortal>(2));
        viewModel = std::make_unique<CalendarViewModel>(*preferences, *eventStore, holidays, lunar,
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

    TimeZoneScope zoneScope;
    QTemporaryDir directory;
    SettingsStore settings;
    std::unique_ptr<PreferencesStore> preferences;
    FakeCalendarStore store;
    std::unique_ptr<EventStoreService> eventStore;
    HolidayService holidays;
    LunarCalendarService lunar;
    std::unique_ptr<DesktopColorScheme> desktop;
    QDateTime currentTime;
    QList<CalendarDayEvent> events;
    bool holdLoads = false;
    QList<HeldLoad> held;
    int loads = 0;
    std::unique_ptr<CalendarViewModel> viewModel;
};
