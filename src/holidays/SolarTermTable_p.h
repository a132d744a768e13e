#pragma once

#include <QtGlobal>

#include <array>

// The days of the 24 solar terms, compiled in (SolarTermTableData.cpp is generated).
namespace SolarTermTableData {

extern const int firstYear;

// Per term, 小寒 first: the earliest day of the month it falls on in the table's years.
extern const std::array<quint8, 24> earliestDays;

// One word per year: bits 2k and 2k+1 hold how many days term k falls after its earliest day.
extern const std::array<quint64, 200> years;

} // namespace SolarTermTableData
