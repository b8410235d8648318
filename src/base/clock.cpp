#include "base/clock.h"

namespace vek {

UtcInstant ToUtcInstant(TimePoint t) {
  const auto day = std::chrono::floor<std::chrono::days>(t);
  return {DayNumberFromSysDays(day), static_cast<std::int32_t>((t - day).count())};
}

TimePoint FromUtcInstant(UtcInstant u) {
  return TimePoint{SysDaysFromDayNumber(u.day)} + std::chrono::seconds{u.second};
}

TimePoint SystemClock::Now() const {
  return std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
}

}  // namespace vek
