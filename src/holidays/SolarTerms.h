#pragma once

#include <QDate>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// The 24 solar terms: the day in Beijing time on which the sun's apparent longitude reaches
// each multiple of 15°, 小寒 (285°) first, from a table of 1901-2100.
class SolarTerms
{
public:
    static constexpr std::array<QStringView, 24> names = {
        u"小寒", u"大寒", u"立春", u"雨水", u"惊蛰", u"春分", u"清明", u"谷雨",
        u"立夏", u"小满", u"芒种", u"夏至", u"小暑", u"大暑", u"立秋", u"处暑",
        u"白露", u"秋分", u"寒露", u"霜降", u"立冬", u"小雪", u"大雪", u"冬至"};
    static constexpr int firstYear = 1901;
    static constexpr int lastYear = 2100;

    /// The day of term `index` (0 … 23) in `year`; invalid outside the table.
    [[nodiscard]] static QDate date(int year, int index);

    /// The term falling on a civil day, as an index into names; nothing on other days and
    /// outside the table.
    [[nodiscard]] static std::optional<int> termIndex(QDate day);

    /// The name of the term falling on a civil day.
    [[nodiscard]] static std::optional<QString> name(QDate day);
};
