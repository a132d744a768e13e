#pragma once

#include <QString>

// One element of the holiday table: a day written "yyyy-MM-dd" and its name.
struct HolidayEntry
{
    QString date;
    QString name;
};
