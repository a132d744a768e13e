#pragma once

#include "IcsEvent.h"

#include <QByteArrayView>
#include <QString>

#include <memory>
#include <vector>

// What one .ics file holds for us: the calendar's own name and colour, and its events. Reading
// never fails as a whole: parts that cannot be read are left out and counted.
struct IcsCalendarFile
{
    // Only a file that holds a whole calendar names it: kept apart, so that each of the many
    // item files of a vdir is smaller.
    struct Properties
    {
        QString name; // X-WR-CALNAME
        QString colorText; // COLOR (RFC 7986), else X-APPLE-CALENDAR-COLOR
    };

    std::shared_ptr<const Properties> properties; // null when the file has neither
    // Single events, series masters and moved instances; cancelled ones are left out.
    std::vector<IcsEvent> events;
    int skippedComponents = 0;

    /// Null when the file has none.
    [[nodiscard]] QString name() const { return properties ? properties->name : QString(); }
    [[nodiscard]] QString colorText() const
    {
        return properties ? properties->colorText : QString();
    }

    /// Reads the text of a file. Events without a UID get one made of `uidPrefix` and their place.
    [[nodiscard]] static IcsCalendarFile parse(QByteArrayView data, const QString &uidPrefix);
};
