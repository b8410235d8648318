// The clock is injected so that clock-driven behaviour (automatic date, time
// and band) can be tested at any instant.
#pragma once

#include <chrono>
#include <cstdint>

#include "base/day_number.h"

namespace vek {

struct UtcInstant {
  DayNumber day = 0;
  std::int32_t second = 0;  // seconds since midnight UTC
  friend bool operator==(const UtcInstant&, const UtcInstant&) = default;
};

using TimePoint = std::chrono::sys_seconds;

UtcInstant ToUtcInstant(TimePoint t);
TimePoint FromUtcInstant(UtcInstant u);

class Clock {
 public:
  virtual ~Clock() = default;
  virtual TimePoint Now() const = 0;
  UtcInstant NowUtc() const { return ToUtcInstant(Now()); }
};

class SystemClock final : public Clock {
 public:
  TimePoint Now() const override;
};

// A clock that stands still until it is set or advanced.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(TimePoint start = {}) : now_(start) {}
  explicit ManualClock(UtcInstant start) : now_(FromUtcInstant(start)) {}
  TimePoint Now() const override { return now_; }
  void Set(TimePoint t) { now_ = t; }
  void Set(UtcInstant u) { now_ = FromUtcInstant(u); }
  void Advance(std::chrono::seconds s) { now_ += s; }

 private:
  TimePoint now_;
};

}  // namespace vek
