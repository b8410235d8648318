#include "base/number_picture.h"

#include <string>

namespace vek {

Text FormatNumber(std::int64_t value, std::size_t width, Overflow overflow) {
  const Text digits = std::to_string(value);
  if (digits.size() > width && overflow == Overflow::kAsterisks) return Text(width, '*');
  return PadLeft(digits, width);
}

Text FormatPicture(std::int64_t value, std::string_view picture, Overflow overflow) {
  return FormatNumber(value, picture.size(), overflow);
}

Text ZeroPadded(std::int64_t value, std::size_t digits) {
  const Text plain = std::to_string(value);
  if (value < 0 || plain.size() > digits) return Text(digits, '*');
  return Text(digits - plain.size(), '0') + plain;
}

}  // namespace vek
