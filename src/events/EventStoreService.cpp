#include "EventStoreService.h"

#include "CalendarAppOpener.h"
#include "CalendarColor.h"
#include "IcsZone.h"
#include "shared/CivilCalendar.h"
#include "shared/DateHelpers.h"
#include "shared/IcuSupport_p.h"
#include "shared/WriteFailure.h"

#include <QHash>
#include <QPointer>
#include <QTimeZone>

#include <unicode/coll.h>

#include <algorithm>
#include <limits>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

bool isFullAccess(CalendarAccessState state)
{
    return state == CalendarAccessState::fullAccess;
}

// The first instant of the instant's day in the system's zone, without building an ICU calendar
// per event.
QDateTime startOfDay(const QDateTime &instant)
{
    constexpr qint64 msPerDay = 86'400'000;
    const IcsZone &zone = IcsZone::system();
    const qint64 wall = zone.toWall(instant.toMSecsSinceEpoch());
    const qint64 day = wall / msPerDay - ((wall % msPerDay) < 0 ? 1 : 0);
    return QDateTime::fromMSecsSinceEpoch(zone.toUtc(day * msPerDay), QTimeZone::utc());
}

// File browsers' order for names: zh_CN collation, case-insensitive, digits by value.
class NameOrder
{
public:
    NameOrder()
    {
        UErrorCode status = U_ZERO_ERROR;
        collator.reset(icu::Collator::createInstance(icu::Locale("zh_CN"), status));
        if (U_FAILURE(status)) {
            collator.reset();
            return;
        }
        collator->setStrength(icu::Collator::SECONDARY);
        collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
        if (U_FAILURE(status))
            collator.reset();
    }

    bool less(const QString &a, const QString &b) const
    {
        if (!collator)
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult result = collator->compare(IcuSupport::toUnicodeString(a),
                                                          IcuSupport::toUnicodeString(b), status);
        return U_SUCCESS(status) && result == UCOL_LESS;
    }

private:
    std::unique_ptr<icu::Collator> collator;
};

} // namespace

EventStoreService::EventStoreService(CalendarStore &store, CalendarAppOpener *opener,
                                     QObject *parent)
    : QObject(parent)
    , store(store)
    , opener(opener)
    , clock([] { return QDateTime::currentDateTimeUtc(); })
{
    setAuthorizationStatus(currentAuthorizationStatus());
    refreshCalendars();

    // A burst of changes is handled once, storeChangeDebounceMs after the last of them.
    storeChangeTimer.setSingleShot(true);
    storeChangeTimer.setInterval(storeChangeDebounceMs);
    connect(&storeChangeTimer, &QTimer::timeout, this, &EventStoreService::handleStoreChange);
    connect(&store, &CalendarStore::storeChanged, this, [this] { storeChangeTimer.start(); });
}

EventStoreService::~EventStoreService() = default;

CalendarAuthorizationStatus EventStoreService::mapStatus(CalendarAccessState state)
{
    switch (state) {
    case CalendarAccessState::notDetermined:
        return CalendarAuthorizationStatus::notDetermined;
    case CalendarAccessState::restricted:
        return CalendarAuthorizationStatus::restricted;
    case CalendarAccessState::denied:
        return CalendarAuthorizationStatus::denied;
    case CalendarAccessState::fullAccess:
        return CalendarAuthorizationStatus::authorized;
    // Adding events without reading them is no access for a calendar that only reads.
    case CalendarAccessState::writeOnly:
        return CalendarAuthorizationStatus::denied;
    }
    return CalendarAuthorizationStatus::unknown;
}

CalendarAuthorizationStatus EventStoreService::currentAuthorizationStatus() const
{
    return mapStatus(store.authorizationStatus(CalendarEntityType::event));
}

bool EventStoreService::hasCalendarAccess() const
{
    return isFullAccess(store.authorizationStatus(CalendarEntityType::event));
}

bool EventStoreService::hasReminderAccess() const
{
    return isFullAccess(store.authorizationStatus(CalendarEntityType::reminder));
}

bool EventStoreService::hasFullCalendarAndReminderAccess() const
{
    return hasCalendarAccess() && hasReminderAccess();
}

bool EventStoreService::canRequestAdditionalAccess() const
{
    const auto undecided = [](CalendarAccessState state) {
        const int value = int(state);
        return value < 1 || value > 4;
    };
    return undecided(store.authorizationStatus(CalendarEntityType::event))
           || undecided(store.authorizationStatus(CalendarEntityType::reminder));
}

CalendarAuthorizationStatus EventStoreService::refreshAuthorizationState()
{
    setAuthorizationStatus(currentAuthorizationStatus());
    refreshCalendars();
    return status;
}

void EventStoreService::refreshCalendars()
{
    writableIds.clear();
    if (!hasCalendarAccess()) {
        setAvailableCalendars({});
        return;
    }
    QList<StoreCalendar> kept;
    QSet<QString> seen;
    for (const StoreCalendar &calendar : store.calendars()) {
        if (seen.contains(calendar.identifier))
            continue;
        seen.insert(calendar.identifier);
        kept.append(calendar);
        if (calendar.writable)
            writableIds.insert(calendar.identifier);
    }
    const NameOrder order;
    std::stable_sort(kept.begin(), kept.end(),
                     [&order](const StoreCalendar &a, const StoreCalendar &b) {
                         if (a.sourceTitle != b.sourceTitle)
                             return order.less(a.sourceTitle, b.sourceTitle);
                         return order.less(a.title, b.title);
                     });
    QList<CalendarSource> sources;
    sources.reserve(kept.size());
    for (const StoreCalendar &calendar : std::as_const(kept)) {
        sources.append({calendar.identifier, calendar.title, calendar.sourceTitle,
                        CalendarColor::hexTextOrFallback(calendar.color)});
    }
    setAvailableCalendars(sources);
}

void EventStoreService::requestAccess(QObject *context, std::function<void(bool)> done)
{
    const QPointer<QObject> guard(context);
    const bool hasContext = context != nullptr;
    // The reminder question waits for the event answer: never two prompts at once.
    askIfNeeded(CalendarEntityType::event, [this, guard, hasContext, done](bool eventsGranted) {
        askIfNeeded(CalendarEntityType::reminder,
                    [this, guard, hasContext, done, eventsGranted](bool remindersGranted) {
                        refreshAuthorizationState();
                        if (done && (!hasContext || guard))
                            done(eventsGranted && remindersGranted);
                    });
    });
}

void EventStoreService::askIfNeeded(CalendarEntityType type, std::function<void(bool)> next)
{
    const CalendarAccessState state = store.authorizationStatus(type);
    const int value = int(state);
    if (value >= 1 && value <= 4) {
        next(isFullAccess(state));
        return;
    }
    store.requestFullAccess(type, this, [next = std::move(next)](std::optional<bool> granted) {
        next(granted.value_or(false));
    });
}

QList<CalendarDayEvent>
EventStoreService::eventsForVisibleGrid(const QDateTime &month,
                                        const QSet<QString> &excludedCalendarIDs)
{
    if (!hasCalendarAccess())
        return {};
    // Whatever weekday the panel's weeks start on, its grid lies within six days of the month.
    const CivilCalendar calendar = CivilCalendar::viewCalendar();
    const QDateTime monthStart = DateHelpers::startOfMonth(month, calendar);
    const auto start = calendar.addingDays(monthStart, -6);
    const auto nextMonth = calendar.addingMonths(monthStart, 1);
    const auto end = nextMonth ? calendar.addingDays(*nextMonth, 6) : std::nullopt;
    if (!start || !end)
        return {};
    // The 1st may begin at 01:00 when its midnight was skipped; the grid's first day does not.
    return events(calendar.startOfDay(*start), *end, excludedCalendarIDs);
}

QList<CalendarDayEvent> EventStoreService::events(const QDateTime &start, const QDateTime &end,
                                                  const QSet<QString> &excludedCalendarIDs)
{
    QList<CalendarDayEvent> items = fetch(start, end, excludedCalendarIDs);
    // The day order of CalendarDayEvent::sortInDayOrder, sorted on small keys: moving whole
    // items around costs more than the rest of a month query.
    struct Key
    {
        qint64 display;
        bool allDay;
        qint64 start;
        qsizetype index;
    };
    std::vector<Key> keys;
    keys.reserve(size_t(items.size()));
    for (qsizetype i = 0; i < items.size(); ++i) {
        const CalendarDayEvent &item = items.at(i);
        keys.push_back({item.displayDate.toMSecsSinceEpoch(), item.isAllDay,
                        item.startDate.isValid() ? item.startDate.toMSecsSinceEpoch()
                                                 : std::numeric_limits<qint64>::min(),
                        i});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) {
        if (a.display != b.display)
            return a.display < b.display;
        if (a.allDay != b.allDay)
            return a.allDay;
        return a.start < b.start;
    });
    QList<CalendarDayEvent> sorted;
    sorted.reserve(items.size());
    for (const Key &key : keys)
        sorted.append(std::move(items[key.index]));
    return sorted;
}

QList<CalendarDayEvent> EventStoreService::fetch(const QDateTime &start, const QDateTime &end,
                                                 const QSet<QString> &excludedCalendarIDs)
{
    if (!hasCalendarAccess())
        return {};
    IcsZone::systemZoneMayHaveChanged();
    QList<StoreCalendar> kept;
    for (const StoreCalendar &calendar : store.calendars()) {
        if (!excludedCalendarIDs.contains(calendar.identifier))
            kept.append(calendar);
    }
    const QList<StoreEvent> found = store.events(start, end, kept);

    QHash<quint64, QString> colorTexts;
    QList<CalendarDayEvent> items;
    items.reserve(found.size());
    for (const StoreEvent &event : found) {
        CalendarDayEvent item;
        // A moved all-day instance is listed under the day it moved to; its identity still
        // follows the day it came from.
        std::optional<QDateTime> dayAnchor =
            event.isAllDay ? (event.startDate ? event.startDate : event.occurrenceDate)
                           : event.startDate;
        if (!dayAnchor)
            dayAnchor = event.endDate ? event.endDate : std::optional(clock());
        item.displayDate = startOfDay(*dayAnchor);

        const QDateTime anchor =
            event.occurrenceDate.value_or(event.startDate.value_or(item.displayDate));
        item.id = CalendarDayEvent::storeItemId(event.calendarItemIdentifier, anchor);
        const QString title = event.title.value_or(QString()).trimmed();
        item.title = title.isEmpty() ? u"未命名事件"_s : title;
        item.startDate = event.startDate.value_or(QDateTime());
        item.endDate = event.endDate.value_or(QDateTime());
        item.isAllDay = event.isAllDay;
        item.location = event.location;
        // Calendars that share an identifier may still differ in colour: key by the colour.
        const quint64 colorKey = event.calendar.color && event.calendar.color->isValid()
                                     ? quint64(event.calendar.color->rgba64())
                                     : ~quint64(0);
        auto color = colorTexts.constFind(colorKey);
        if (color == colorTexts.constEnd())
            color =
                colorTexts.insert(colorKey, CalendarColor::hexTextOrFallback(event.calendar.color));
        item.colorHex = *color;
        item.calendarTitle = event.calendar.title;
        item.calendarIdentifier = event.calendar.identifier;
        item.kind = CalendarDayEventKind::event;
        items.append(std::move(item));
    }
    return items;
}

QList<CalendarSource> EventStoreService::writableCalendars() const
{
    QList<CalendarSource> result;
    for (const CalendarSource &calendar : calendarList) {
        if (writableIds.contains(calendar.id))
            result.append(calendar);
    }
    return result;
}

void EventStoreService::createEvent(const NewCalendarEvent &event, QObject *context, WriteDone done)
{
    NewCalendarEvent checked = event;
    checked.title = event.title.trimmed();
    checked.location = event.location.trimmed();
    QString problem;
    if (!hasCalendarAccess())
        problem = u"尚未允许访问日历"_s;
    else if (!writableIds.contains(event.calendarId))
        problem = WriteFailure::text(WriteFailure::Reason::readOnly);
    else if (checked.title.isEmpty())
        problem = u"请填写标题"_s;
    else if (!event.start.isValid() || !event.end.isValid() || event.end <= event.start)
        problem = u"结束时间须晚于开始时间"_s;
    if (!problem.isEmpty()) {
        answerLater(context, std::move(done), {{}, event.calendarId, problem});
        return;
    }
    const QPointer<QObject> guard(context ? context : this);
    store.createEvent(checked, this,
                      [this, guard, done = std::move(done)](const CalendarWriteResult &result) {
                          announceWrite(result);
                          if (guard && done)
                              done(result);
                      });
}

void EventStoreService::removeCreatedEvent(const CalendarWriteResult &created, QObject *context,
                                           WriteDone done)
{
    if (!hasCalendarAccess()) {
        answerLater(context, std::move(done),
                    {created.eventUid, created.calendarId, u"尚未允许访问日历"_s});
        return;
    }
    const QPointer<QObject> guard(context ? context : this);
    store.removeEvent(created, this,
                      [this, guard, done = std::move(done)](const CalendarWriteResult &result) {
                          announceWrite(result);
                          if (guard && done)
                              done(result);
                      });
}

// The store lists the change already: observers reload now rather than after the debounce.
void EventStoreService::announceWrite(const CalendarWriteResult &result)
{
    if (!result.succeeded())
        return;
    ++sequence;
    Q_EMIT changeSequenceChanged(sequence);
}

void EventStoreService::answerLater(QObject *context, WriteDone done, CalendarWriteResult result)
{
    QTimer::singleShot(0, context ? context : this,
                       [done = std::move(done), result = std::move(result)] {
                           if (done)
                               done(result);
                       });
}

void EventStoreService::openCalendarApp(const CalendarDayEvent &item)
{
    if (opener)
        opener->open(item);
}

void EventStoreService::openDay(const QDateTime &day)
{
    if (opener)
        opener->openDay(day);
}

void EventStoreService::openCalendarPrivacySettings()
{
    if (!privacySettingsHandler)
        return;
    // The section the user most likely needs: the one still missing access.
    const bool events = hasCalendarAccess();
    const bool reminders = hasReminderAccess();
    privacySettingsHandler(events && !reminders ? CalendarEntityType::reminder
                                                : CalendarEntityType::event);
}

void EventStoreService::setPrivacySettingsHandler(PrivacySettingsHandler handler)
{
    privacySettingsHandler = std::move(handler);
}

void EventStoreService::setClock(std::function<QDateTime()> newClock)
{
    clock = std::move(newClock);
}

void EventStoreService::setAuthorizationStatus(CalendarAuthorizationStatus value)
{
    status = value;
    Q_EMIT authorizationStatusChanged(status);
}

void EventStoreService::setAvailableCalendars(const QList<CalendarSource> &value)
{
    calendarList = value;
    Q_EMIT availableCalendarsChanged(calendarList);
}

void EventStoreService::handleStoreChange()
{
    const CalendarAuthorizationStatus before = status;
    refreshAuthorizationState();
    // A changed status makes observers reload by itself.
    if (status == before) {
        ++sequence;
        Q_EMIT changeSequenceChanged(sequence);
    }
}
