#pragma once

#include <QString>

// Names for the calendars Evolution makes by itself. Its registry gives them in English unless it
// runs in a translated locale; the panel speaks Chinese, so the untranslated defaults are replaced.
namespace EvolutionNames {

/// The title of a calendar source; the built-in personal calendar is "个人", the birthdays
/// "生日和纪念日".
[[nodiscard]] QString calendarTitle(const QString &uid, const QString &displayName);

/// The title of the account a source belongs to; the local one is "本机", the contacts "联系人".
[[nodiscard]] QString accountTitle(const QString &uid, const QString &displayName);

} // namespace EvolutionNames
