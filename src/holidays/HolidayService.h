#pragma once

#include "HolidayEntry.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The named days of the holiday table shipped as the resource ":/holidays.json".
class HolidayService
{
public:
    /// Loads the table from the resource, or from another file for tests. A file that does not
    /// decode as a whole leaves the table empty.
    explicit HolidayService(const QString &path = QStringLiteral(":/holidays.json"));

    /// The name of the instant's calendar day in the system's zone.
    [[nodiscard]] std::optional<QString> label(const QDateTime &date) const;

    /// Decodes the table; nothing when any element lacks a text "date" or "name".
    [[nodiscard]] static std::optional<QList<HolidayEntry>> decode(const QByteArray &json);

private:
    void load(const QString &path);

    QHash<QString, QString> entries;
};
