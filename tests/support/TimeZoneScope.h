#pragma once

#include "shared/SystemTimeZone.h"

#include <QByteArray>
#include <QtGlobal>

// Pins the process time zone for the lifetime of the scope and restores the previous one.
class TimeZoneScope
{
public:
    explicit TimeZoneScope(const QByteArray &zone)
        : previous(qgetenv("TZ"))
        , hadPrevious(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", zone);
        SystemTimeZone::refresh();
    }

    ~TimeZoneScope()
    {
        if (hadPrevious)
            qputenv("TZ", previous);
        else
            qunsetenv("TZ");
        SystemTimeZone::refresh();
    }

    TimeZoneScope(const TimeZoneScope &) = delete;
    TimeZoneScope &operator=(const TimeZoneScope &) = delete;

private:
    QByteArray previous;
    bool hadPrevious;
};
