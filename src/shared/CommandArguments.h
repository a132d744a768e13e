#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <variant>

// What the printing commands share: the FROM [TO] [--tsv] arguments and text laid out in
// terminal columns.
class CommandArguments
{
public:
    struct DayRange
    {
        QDate from;
        QDate to;
        bool tsv = false;
    };

    CommandArguments() = delete;

    /// A day written exactly YYYY-MM-DD.
    [[nodiscard]] static std::optional<QDate> parseDay(const QString &text);

    /// FROM [TO] [--tsv], inclusive, at most maxDays days; without TO (when allowed) the range is
    /// FROM alone. The error message when the arguments are not usable.
    [[nodiscard]] static std::variant<DayRange, QString>
    parseDayRange(const QStringList &arguments, bool toRequired, int maxDays, const QString &usage);

    /// Columns a text takes in a terminal: CJK characters take two.
    [[nodiscard]] static int displayWidth(QStringView text);
    [[nodiscard]] static QString padded(const QString &text, int width);
    [[nodiscard]] static QStringView withoutTrailingSpace(QStringView line);
};
