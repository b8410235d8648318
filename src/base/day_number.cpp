#include "base/day_number.h"

namespace vek {
namespace {
using namespace std::chrono;
constexpr sys_days kDayZero = sys_days{year{1600} / January / 1};
}  // namespace

std::optional<DayNumber> DayNumberFromDate(int y, int m, int d) {
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return std::nullopt;
  const year_month_day ymd{year{y}, month{static_cast<unsigned>(m)}, day{static_cast<unsigned>(d)}};
  if (!ymd.ok()) return std::nullopt;
  return DayNumberFromSysDays(sys_days{ymd});
}

CivilDate DateFromDayNumber(DayNumber n) {
  const year_month_day ymd{SysDaysFromDayNumber(n)};
  return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

DayNumber DayNumberFromSysDays(sys_days days) {
  return static_cast<DayNumber>((days - kDayZero).count());
}

sys_days SysDaysFromDayNumber(DayNumber n) { return kDayZero + std::chrono::days{n}; }

}  // namespace vek
