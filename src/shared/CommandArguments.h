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

    // The years every command shows exactly: Gregorian years from the first full one.
    static constexpr int firstYear = 1583;
    static constexpr int lastYear = 9999;

    CommandArguments() = delete;

    [[nodiscard]] static bool isShownYear(int year);
    /// The one line that refuses an argument whose year is outside the shown years.
    [[nodiscard]] static QString yearOutOfRange(const QString &argument);

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
