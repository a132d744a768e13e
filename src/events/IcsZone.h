#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// A time zone that iCalendar times are given in. Times are counted in milliseconds since
// 1970-01-01 00:00, either on the wall clock of the zone ("wall", as if the zone were UTC) or as
// instants ("UTC").
class IcsZone
{
public:
    virtual ~IcsZone();

    /// The instant of a wall-clock time. A time skipped by a clock change moves forward by the
    /// gap; a time that occurs twice gives its first occurrence.
    [[nodiscard]] virtual qint64 toUtc(qint64 wallMs) const = 0;
    [[nodiscard]] virtual qint64 toWall(qint64 utcMs) const = 0;
    /// A name named() gives this zone again by; empty for the system's zone and for zones only
    /// a file's VTIMEZONE defines.
    [[nodiscard]] virtual QString tzid() const { return {}; }

    /// The system's zone as SystemTimeZone knows it. Offsets are cached between calls; call
    /// systemZoneMayHaveChanged() before a batch of work so a refreshed zone is seen.
    [[nodiscard]] static const IcsZone &system();
    static void systemZoneMayHaveChanged();
    [[nodiscard]] static std::shared_ptr<const IcsZone> utc();

    /// A zone of the system's zone database by IANA name, UTC alias or Windows name; nothing when
    /// the name is none of these. Zones are shared for the life of the process and between
    /// threads.
    [[nodiscard]] static std::shared_ptr<const IcsZone> named(const QString &tzid);

protected:
    IcsZone() = default;
};
