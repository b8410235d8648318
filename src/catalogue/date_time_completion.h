// What the setup dialog makes of a date or time typed in short form.
#pragma once

#include <string_view>

#include "base/text.h"

namespace vek {

// `today_year` fills in a missing year; two-digit years below 50 get the
// century of today, the others 19xx. Input the table does not know stays as
// typed (without blanks).
Text CompleteDate(std::string_view typed, int today_year);
// h:mm -> 0h:mm, hhmm -> hh:mm, hmm -> 0h:mm; anything else stays.
Text CompleteTime(std::string_view typed);

}  // namespace vek
