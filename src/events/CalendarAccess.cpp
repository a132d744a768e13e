#include "CalendarAccess.h"

#include "shared/SettingKeys.h"
#include "shared/SettingsStore.h"

using namespace Qt::StringLiterals;

namespace {

const SettingKey<QString> &keyOf(CalendarEntityType type)
{
    return type == CalendarEntityType::event ? SettingKeys::eventsAccess
                                             : SettingKeys::remindersAccess;
}

} // namespace

CalendarAccess::CalendarAccess(SettingsStore &settings, QObject *parent)
    : QObject(parent)
    , settings(settings)
    , events(state(CalendarEntityType::event))
    , reminders(state(CalendarEntityType::reminder))
{
    connect(&settings, &SettingsStore::valueChanged, this, [this](const QString &key) {
        for (const CalendarEntityType type :
             {CalendarEntityType::event, CalendarEntityType::reminder}) {
            if (key == keyOf(type).name)
                follow(type);
        }
    });
}

CalendarAccessState CalendarAccess::state(CalendarEntityType type) const
{
    const QString consent = settings.value(keyOf(type));
    if (consent == u"granted"_s)
        return CalendarAccessState::fullAccess;
    if (consent == u"denied"_s)
        return CalendarAccessState::denied;
    // Absent, or a value this program never writes: the user has not been asked yet.
    return CalendarAccessState::notDetermined;
}

bool CalendarAccess::isGranted(CalendarEntityType type) const
{
    return state(type) == CalendarAccessState::fullAccess;
}

void CalendarAccess::setGranted(CalendarEntityType type, bool granted)
{
    settings.setValue(keyOf(type), granted ? u"granted"_s : u"denied"_s);
}

// Another key's value, or the same state spelled again, is no change of consent.
void CalendarAccess::follow(CalendarEntityType type)
{
    CalendarAccessState &known = type == CalendarEntityType::event ? events : reminders;
    const CalendarAccessState now = state(type);
    if (now == known)
        return;
    known = now;
    Q_EMIT changed(type);
}
