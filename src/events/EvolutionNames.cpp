#include "EvolutionNames.h"

using namespace Qt::StringLiterals;

QString EvolutionNames::calendarTitle(const QString &uid, const QString &displayName)
{
    if (uid == u"system-calendar"_s && (displayName.isEmpty() || displayName == u"Personal"_s))
        return u"个人"_s;
    return displayName;
}

QString EvolutionNames::accountTitle(const QString &uid, const QString &displayName)
{
    if (uid == u"local-stub"_s && (displayName.isEmpty() || displayName == u"On This Computer"_s))
        return u"本机"_s;
    return displayName.isEmpty() ? uid : displayName;
}
