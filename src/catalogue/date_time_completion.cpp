#include "catalogue/date_time_completion.h"

#include <string>

namespace vek {

Text CompleteDate(std::string_view typed, int today_year) {
  Text t;
  for (char c : typed)
    if (c != ' ') t += c;
  const std::size_t n = t.size();
  const bool point = t.find('.') != Text::npos;
  const Text year = std::to_string(today_year);
  const Text century = year.substr(0, 2);
  auto yy = [&](std::string_view two) { return (two[0] < '5' ? century : Text("19")) + Text(two); };
  auto s = [&](std::size_t pos, std::size_t len) { return t.substr(pos, len); };
  switch (n) {
    case 2: return "0" + s(0, 1) + ".0" + s(1, 1) + "." + year;
    case 3:
      if (!point) return s(0, 2) + ".0" + s(2, 1) + "." + year;
      if (t[1] == '.') return "0" + s(0, 1) + ".0" + s(2, 1) + "." + year;
      break;
    case 4:
      if (!point) return s(0, 2) + "." + s(2, 2) + "." + year;
      if (t[1] == '.') return "0" + s(0, 1) + "." + s(2, 2) + "." + year;
      if (t[2] == '.') return s(0, 2) + ".0" + s(3, 1) + "." + year;
      break;
    case 5:
      if (!point) return s(0, 2) + ".0" + s(2, 1) + "." + yy(s(3, 2));
      if (t[2] == '.') return s(0, 2) + "." + s(3, 2) + "." + year;
      break;
    case 6:
      if (t[2] == '.' && t[5] == '.') return t + year;
      if (t[1] == '.' && t[3] == '.') return "0" + s(0, 1) + ".0" + s(2, 1) + "." + yy(s(4, 2));
      if (!point) return s(0, 2) + "." + s(2, 2) + "." + yy(s(4, 2));
      break;
    case 7:
      if (t[2] == '.' && t[4] == '.') return s(0, 2) + ".0" + s(3, 1) + "." + yy(s(5, 2));
      if (t[1] == '.' && t[4] == '.') return "0" + s(0, 1) + "." + s(2, 2) + "." + yy(s(5, 2));
      break;
    case 8:
      if (!point) return s(0, 2) + "." + s(2, 2) + "." + s(4, 4);
      if (t[2] == '.' && t[5] == '.') return s(0, 2) + "." + s(3, 2) + "." + yy(s(6, 2));
      break;
    default: break;
  }
  return t;
}

Text CompleteTime(std::string_view typed) {
  Text t;
  for (char c : typed)
    if (c != ' ') t += c;
  if (t.size() == 4 && (t[1] == ':' || t[1] == '.')) return "0" + t.substr(0, 1) + ":" + t.substr(2, 2);
  if (t.size() == 4 && t.find(':') == Text::npos && t.find('.') == Text::npos) return t.substr(0, 2) + ":" + t.substr(2, 2);
  if (t.size() == 3 && t.find(':') == Text::npos) return "0" + t.substr(0, 1) + ":" + t.substr(1, 2);
  return t;
}

}  // namespace vek
