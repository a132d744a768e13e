#pragma once

#include "HolidayEntry.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The named days of the holiday table shipped as the resource ":/holidays.json", the solar
// terms, and the official days off and working weekends of ":/holiday-arrangements.tsv".
class HolidayService
{
public:
    /// How an official notice arranges a day.
    enum class Arrangement
    {
        none,
        dayOff, // 休
        workday // 班: a weekend day worked
    };

    /// Loads the tables from the resources, or from other files for tests. A file that does not
    /// decode as a whole leaves its table empty.
    explicit HolidayService(
        const QString &path = QStringLiteral(":/holidays.json"),
        const QString &arrangementsPath = QStringLiteral(":/holiday-arrangements.tsv"));

    /// The name of the instant's calendar day in the system's zone.
    [[nodiscard]] std::optional<QString> label(const QDateTime &date) const;
    /// The solar term on the instant's calendar day in the system's zone.
    [[nodiscard]] static std::optional<QString> solarTerm(const QDateTime &date);
    /// What the notices say of the instant's calendar day; none for a year they do not cover.
    [[nodiscard]] Arrangement arrangement(const QDateTime &date) const;
    /// The text of a badge: "休", "班" or empty.
    [[nodiscard]] static QString arrangementText(Arrangement arrangement);

    /// Decodes the table; nothing when any element lacks a text "date" or "name".
    [[nodiscard]] static std::optional<QList<HolidayEntry>> decode(const QByteArray &json);
    /// Decodes the arrangements, one "date<TAB>name<TAB>off" line per day; nothing, and the
    /// first fault in `error`, for a malformed line or a date listed twice.
    [[nodiscard]] static std::optional<QHash<QDate, Arrangement>>
    decodeArrangements(const QByteArray &tsv, QString *error = nullptr);

private:
    void load(const QString &path);
    void loadArrangements(const QString &path);

    QHash<QString, QString> entries;
    QHash<QDate, Arrangement> arrangements;
};
