#include "base/date_time_format.h"

#include <cstdio>

namespace vek {
namespace {

Text TwoDigits(int v) {
  char buf[4];
  std::snprintf(buf, sizeof buf, "%02d", ((v % 100) + 100) % 100);
  return buf;
}

Text FourDigits(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04d", v);
  return buf;
}

// Reads `count` digits at `pos`; -1 when any of them is no digit.
int Digits(std::string_view text, std::size_t pos, std::size_t count) {
  int v = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (i >= text.size() || !IsAsciiDigit(text[i])) return -1;
    v = v * 10 + (text[i] - '0');
  }
  return v;
}

bool CharAt(std::string_view text, std::size_t pos, char c) { return pos < text.size() && text[pos] == c; }

}  // namespace

Text FormatDate(DayNumber day, DateForm form) {
  const CivilDate d = DateFromDayNumber(day);
  switch (form) {
    case DateForm::kDdMmYyyy: return TwoDigits(d.day) + "." + TwoDigits(d.month) + "." + FourDigits(d.year);
    case DateForm::kDdMmYy: return TwoDigits(d.day) + "." + TwoDigits(d.month) + "." + TwoDigits(d.year);
    case DateForm::kDdmmyy: return TwoDigits(d.day) + TwoDigits(d.month) + TwoDigits(d.year);
    case DateForm::kYymmdd: return TwoDigits(d.year) + TwoDigits(d.month) + TwoDigits(d.day);
    case DateForm::kYyyymmdd: return FourDigits(d.year) + TwoDigits(d.month) + TwoDigits(d.day);
  }
  return {};
}

int ExpandTwoDigitYear(int yy, int reference_year) {
  return yy < 50 ? (reference_year / 100) * 100 + yy : 1900 + yy;
}

std::optional<DayNumber> ParseDate(std::string_view t, DateForm form, int reference_year) {
  int d = -1, m = -1, y = -1;
  switch (form) {
    case DateForm::kDdMmYyyy:
      if (t.size() != 10 || !CharAt(t, 2, '.') || !CharAt(t, 5, '.')) return std::nullopt;
      d = Digits(t, 0, 2), m = Digits(t, 3, 2), y = Digits(t, 6, 4);
      break;
    case DateForm::kDdMmYy:
      if (t.size() != 8 || !CharAt(t, 2, '.') || !CharAt(t, 5, '.')) return std::nullopt;
      d = Digits(t, 0, 2), m = Digits(t, 3, 2), y = Digits(t, 6, 2);
      if (y >= 0) y = ExpandTwoDigitYear(y, reference_year);
      break;
    case DateForm::kDdmmyy:
      if (t.size() != 6) return std::nullopt;
      d = Digits(t, 0, 2), m = Digits(t, 2, 2), y = Digits(t, 4, 2);
      if (y >= 0) y = ExpandTwoDigitYear(y, reference_year);
      break;
    case DateForm::kYymmdd:
      if (t.size() != 6) return std::nullopt;
      y = Digits(t, 0, 2), m = Digits(t, 2, 2), d = Digits(t, 4, 2);
      if (y >= 0) y = ExpandTwoDigitYear(y, reference_year);
      break;
    case DateForm::kYyyymmdd:
      if (t.size() != 8) return std::nullopt;
      y = Digits(t, 0, 4), m = Digits(t, 4, 2), d = Digits(t, 6, 2);
      break;
  }
  if (d < 0 || m < 0 || y < 0) return std::nullopt;
  return DayNumberFromDate(y, m, d);
}

Text FormatTime(std::int32_t seconds, TimeForm form) {
  const std::int32_t s = ((seconds % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
  const int h = s / 3600, m = (s / 60) % 60, sec = s % 60;
  switch (form) {
    case TimeForm::kHhMmSs: return TwoDigits(h) + ":" + TwoDigits(m) + ":" + TwoDigits(sec);
    case TimeForm::kHhMm: return TwoDigits(h) + ":" + TwoDigits(m);
    case TimeForm::kHhmm: return TwoDigits(h) + TwoDigits(m);
  }
  return {};
}

std::optional<std::int32_t> ParseTime(std::string_view t, TimeForm form) {
  int h = -1, m = -1, s = 0;
  switch (form) {
    case TimeForm::kHhMmSs:
      if (t.size() != 8 || !CharAt(t, 2, ':') || !CharAt(t, 5, ':')) return std::nullopt;
      h = Digits(t, 0, 2), m = Digits(t, 3, 2), s = Digits(t, 6, 2);
      break;
    case TimeForm::kHhMm:
      if (t.size() != 5 || !CharAt(t, 2, ':')) return std::nullopt;
      h = Digits(t, 0, 2), m = Digits(t, 3, 2);
      break;
    case TimeForm::kHhmm:
      if (t.size() != 4) return std::nullopt;
      h = Digits(t, 0, 2), m = Digits(t, 2, 2);
      break;
  }
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return std::nullopt;
  return h * 3600 + m * 60 + s;
}

}  // namespace vek
