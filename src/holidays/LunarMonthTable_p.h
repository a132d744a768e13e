#pragma once

#include <QtGlobal>

#include <array>

// The official lunar month table, compiled in (LunarMonthTableData.cpp is generated).
namespace LunarMonthTableData {

// Julian day number of the table's first day.
extern const qint64 firstJulianDay;

// One word per lunar month in order: bits 0-16 the days from the first day to the month's
// first day, bits 17-20 the month number, bit 21 the leap flag. The last word holds only the
// days to the day after the table's end.
extern const std::array<quint32, 2487> months;

constexpr quint32 dayMask = 0x1ffff;
constexpr int monthShift = 17;
constexpr quint32 monthMask = 0xf;
constexpr quint32 leapBit = 1u << 21;

} // namespace LunarMonthTableData
