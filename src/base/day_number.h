// Dates in records are signed 32-bit day numbers: 1 January 1600 is day 0.
// Which of -1 and 0 means "not set" is each record's business.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace vek {

using DayNumber = std::int32_t;

struct CivilDate {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

// Years outside 1..9999 are refused: no text form of ours can show them.
std::optional<DayNumber> DayNumberFromDate(int year, int month, int day);
CivilDate DateFromDayNumber(DayNumber day);

DayNumber DayNumberFromSysDays(std::chrono::sys_days days);
std::chrono::sys_days SysDaysFromDayNumber(DayNumber day);

constexpr std::int32_t kSecondsPerDay = 86400;

}  // namespace vek
