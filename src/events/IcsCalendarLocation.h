#pragma once

#include <QString>

#include <optional>

// Where one calendar's iCalendar data lies and what its surroundings say about it.
struct IcsCalendarLocation
{
    enum class Kind
    {
        folder, // a vdir: one item per .ics file, with `displayname` and `color` files
        file, // one .ics file holding the whole calendar
    };

    Kind kind = Kind::file;
    QString path; // canonical
    QString identifier; // stable across runs: made from the canonical path
    std::optional<QString> title; // from `displayname` or the desktop's source file
    QString fallbackTitle; // the folder's name, or the file's name without extension
    QString sourceTitle; // the account: the name of the folder holding the calendar
    std::optional<QString> colorText; // from `color` or the desktop's source file

    friend bool operator==(const IcsCalendarLocation &, const IcsCalendarLocation &) = default;
};
