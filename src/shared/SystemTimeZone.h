#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>

// The time zone of the process. ICU caches its default zone for the life of the process, so a
// change of TZ or of /etc/localtime is seen only after refresh().
class SystemTimeZone
{
public:
    SystemTimeZone() = delete;

    /// The IANA identifier of the zone in use, e.g. "Asia/Shanghai".
    [[nodiscard]] static QByteArray id();

    /// Detects the host zone again; returns whether it changed.
    static bool refresh();

    /// The calendar day of an instant in this zone, found from the zone's offset alone.
    [[nodiscard]] static QDate civilDate(const QDateTime &instant);
};
