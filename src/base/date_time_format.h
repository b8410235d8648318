// The date and time forms that lists, keys and export files use.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/day_number.h"
#include "base/text.h"

namespace vek {

enum class DateForm {
  kDdMmYyyy,  // "dd.mm.yyyy"
  kDdMmYy,    // "dd.mm.yy"
  kDdmmyy,    // "ddmmyy"
  kYymmdd,    // "yymmdd"
  kYyyymmdd,  // "yyyymmdd"
};

enum class TimeForm {
  kHhMmSs,  // "hh:mm:ss"
  kHhMm,    // "hh:mm"
  kHhmm,    // "hhmm"
};

Text FormatDate(DayNumber day, DateForm form);

// A two-digit year below 50 belongs to the century of `reference_year`
// (today's year), any other to the 1900s.
int ExpandTwoDigitYear(int yy, int reference_year);

// Exactly the given form, digits where the form has digits; nullopt for
// anything else and for dates that do not exist (31.02.).
std::optional<DayNumber> ParseDate(std::string_view text, DateForm form, int reference_year);

// Seconds since midnight; values outside one day are taken modulo a day.
Text FormatTime(std::int32_t seconds, TimeForm form);
std::optional<std::int32_t> ParseTime(std::string_view text, TimeForm form);

}  // namespace vek
