#include "IcuSupport_p.h"

#include <unicode/gregocal.h>

#include <QTimeZone>

QString IcuSupport::toQString(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

icu::UnicodeString IcuSupport::toUnicodeString(const QString &text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
}

UDate IcuSupport::toUDate(const QDateTime &instant)
{
    return UDate(instant.toMSecsSinceEpoch());
}

QDateTime IcuSupport::fromUDate(UDate date)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(date), QTimeZone::utc());
}

std::unique_ptr<icu::Calendar> IcuSupport::makeGregorianCalendar(const icu::TimeZone &zone)
{
    UErrorCode status = U_ZERO_ERROR;
    auto calendar = std::make_unique<icu::GregorianCalendar>(zone, icu::Locale::getRoot(), status);
    if (U_FAILURE(status))
        return nullptr;
    // Proleptic, so that every day agrees with QDate.
    calendar->setGregorianChange(-8.64e15, status);
    if (U_FAILURE(status))
        return nullptr;
    // A wall time that a clock change skips resolves to the first instant after the gap; one
    // that it repeats resolves to its first occurrence.
    calendar->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
    calendar->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
    return calendar;
}
