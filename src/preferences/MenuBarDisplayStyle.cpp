#include "MenuBarDisplayStyle.h"

#include "PreferencesStore.h"
#include "shared/DateHelpers.h"

using namespace Qt::StringLiterals;

QString makeTitle(MenuBarDisplayStyle style, const QDateTime &instant,
                  const PreferencesStore &preferences)
{
    QString datePattern;
    if (preferences.showDate())
        datePattern = preferences.showWeekday() ? u"M月d日 EEE"_s : u"M月d日"_s;
    else if (preferences.showWeekday())
        datePattern = u"EEE"_s;

    QString timePattern = preferences.timeFormat() == MenuBarTimeFormat::twentyFourHour
                              ? u"HH:mm"_s
                              : (preferences.showAMPM() ? u"a h:mm"_s : u"h:mm"_s);
    if (preferences.showSeconds())
        timePattern += u":ss"_s;

    const QString datePart =
        datePattern.isEmpty() ? QString() : DateHelpers::formatDate(instant, "zh_CN", datePattern);
    const QString timePart = DateHelpers::formatDate(instant, "zh_CN", timePattern);

    switch (style) {
    case MenuBarDisplayStyle::dateOnly:
        return datePart;
    case MenuBarDisplayStyle::timeOnly:
        return timePart;
    case MenuBarDisplayStyle::dateAndTime:
        break;
    }
    return datePart.isEmpty() ? timePart : datePart + u' ' + timePart;
}
