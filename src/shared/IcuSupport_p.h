#pragma once

#include <QDateTime>
#include <QString>

#include <unicode/calendar.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>

// Conversions between Qt and ICU values, shared by the code that computes with ICU.
namespace IcuSupport {

[[nodiscard]] QString toQString(const icu::UnicodeString &text);
[[nodiscard]] icu::UnicodeString toUnicodeString(const QString &text);

[[nodiscard]] UDate toUDate(const QDateTime &instant);
[[nodiscard]] QDateTime fromUDate(UDate date);

// The process time zone as last detected by SystemTimeZone.
[[nodiscard]] const icu::TimeZone &systemTimeZone();

// A proleptic Gregorian calendar in the given zone; null when ICU cannot make one.
[[nodiscard]] std::unique_ptr<icu::Calendar> makeGregorianCalendar(const icu::TimeZone &zone);

} // namespace IcuSupport
