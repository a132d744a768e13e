#pragma once

#include "shared/SystemTimeZone.h"

#include <QByteArray>
#include <QtGlobal>

#include <optional>

// Pins the process time zone for the lifetime of the scope and restores the previous one.
class TimeZoneScope
{
public:
    explicit TimeZoneScope(const QByteArray &zone)
    {
        if (qEnvironmentVariableIsSet("TZ"))
            previous = qgetenv("TZ");
        qputenv("TZ", zone);
        SystemTimeZone::refresh();
    }

    ~TimeZoneScope()
    {
        previous ? qputenv("TZ", *previous) : qunsetenv("TZ");
        SystemTimeZone::refresh();
    }

    TimeZoneScope(const TimeZoneScope &) = delete;
    TimeZoneScope &operator=(const TimeZoneScope &) = delete;

private:
    std::optional<QByteArray> previous;
};
