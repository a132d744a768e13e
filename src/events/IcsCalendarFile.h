#pragma once

#include "IcsEvent.h"

#include <QByteArrayView>
#include <QString>

#include <vector>

// What one .ics file holds for us: the calendar's own name and colour, and its events. Reading
// never fails as a whole: parts that cannot be read are left out and counted.
struct IcsCalendarFile
{
    // Null when the file has none; plain strings, since a vdir has one file per event.
    QString name; // X-WR-CALNAME
    QString colorText; // COLOR (RFC 7986), else X-APPLE-CALENDAR-COLOR
    // Single events, series masters and moved instances; cancelled ones are left out.
    std::vector<IcsEvent> events;
    int skippedComponents = 0;

    /// Reads the text of a file. Events without a UID get one made of `uidPrefix` and their place.
    [[nodiscard]] static IcsCalendarFile parse(QByteArrayView data, const QString &uidPrefix);
};
