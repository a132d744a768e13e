#include "EvolutionNames.h"

using namespace Qt::StringLiterals;

namespace {

struct BuiltInName
{
    QStringView uid;
    QStringView english;
    QStringView chinese;
};

// The sources Evolution Data Server makes by itself that show in a calendar list.
constexpr BuiltInName builtInNames[] = {
    {u"system-calendar", u"Personal", u"个人"},
    {u"local-stub", u"On This Computer", u"本机"},
    {u"birthdays", u"Birthdays & Anniversaries", u"生日和纪念日"},
    {u"contacts-stub", u"Contacts", u"联系人"},
};

QString inChinese(const QString &uid, const QString &displayName)
{
    for (const BuiltInName &name : builtInNames) {
        if (uid == name.uid && (displayName.isEmpty() || displayName == name.english))
            return name.chinese.toString();
    }
    return displayName;
}

} // namespace

QString EvolutionNames::calendarTitle(const QString &uid, const QString &displayName)
{
    return inChinese(uid, displayName);
}

QString EvolutionNames::accountTitle(const QString &uid, const QString &displayName)
{
    const QString name = inChinese(uid, displayName);
    return name.isEmpty() ? uid : name;
}
