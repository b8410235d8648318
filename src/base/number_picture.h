// Number pictures: a picture of n '#' characters right-aligns a number in n
// characters. What happens to a number that is too wide depends on the place:
// most lists widen the column, the totals panel shows asterisks.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/text.h"

namespace vek {

enum class Overflow { kWiden, kAsterisks };

Text FormatNumber(std::int64_t value, std::size_t width, Overflow overflow = Overflow::kWiden);

// `picture` is a run of '#' characters; its length is the width.
Text FormatPicture(std::int64_t value, std::string_view picture, Overflow overflow = Overflow::kWiden);

// Serial numbers as exchanged: `digits` digits with leading zeros, or as many
// asterisks when the number does not fit (1000 in three digits gives "***").
Text ZeroPadded(std::int64_t value, std::size_t digits);

}  // namespace vek
