#include "SolarTerms.h"

#include "SolarTermTable_p.h"

namespace {

int dayOfMonth(int year, int index)
{
    const quint64 word = SolarTermTableData::years[size_t(year - SolarTermTableData::firstYear)];
    return SolarTermTableData::earliestDays[size_t(index)] + int((word >> (2 * index)) & 3);
}

} // namespace

static_assert(SolarTerms::lastYear - SolarTerms::firstYear + 1
              == int(std::tuple_size_v<decltype(SolarTermTableData::years)>));

QDate SolarTerms::date(int year, int index)
{
    if (year < firstYear || year > lastYear || index < 0 || index >= int(names.size()))
        return {};
    return {year, index / 2 + 1, dayOfMonth(year, index)};
}

std::optional<int> SolarTerms::termIndex(QDate day)
{
    int year = 0;
    int month = 0;
    int dayOfTheMonth = 0;
    // One conversion from the Julian day; year(), month() and day() would each do their own.
    day.getDate(&year, &month, &dayOfTheMonth);
    if (!day.isValid() || year < firstYear || year > lastYear)
        return std::nullopt;
    // Each month holds two terms: the first falls on the 3rd to the 9th, the second on the 18th
    // to the 24th.
    const int index = (month - 1) * 2 + (dayOfTheMonth > 15 ? 1 : 0);
    if (dayOfMonth(year, index) != dayOfTheMonth)
        return std::nullopt;
    return index;
}

std::optional<QString> SolarTerms::name(QDate day)
{
    const auto index = termIndex(day);
    if (!index)
        return std::nullopt;
    return names[size_t(*index)].toString();
}
