#include "logging/age_overview.h"

#include <algorithm>

#include "base/cp1252.h"
#include "base/number_picture.h"
#include "logging/contest_log.h"
#include "logging/qso_record.h"
#include "logging/scoring.h"

namespace vek {

int AgeBucket(std::string_view two, AgeStep step) {
  if (two == "XX") return 1;
  std::size_t i = 0;
  while (i < two.size() && two[i] == ' ') ++i;
  // Ages are not negative: such a text has no bucket.
  if (i < two.size() && two[i] == '-') return -1;
  int value = 0;
  while (i < two.size() && two[i] >= '0' && two[i] <= '9') value = value * 10 + (two[i++] - '0');
  if (value >= 90) return 90;
  const int unit = step == AgeStep::kOne ? 1 : (step == AgeStep::kFive ? 5 : 10);
  return std::min(90, (value + unit - 1) / unit * unit);
}

AgeCounts CountAges(store::FileManager& fm, store::FileBlock* log, AgeStep step) {
  AgeCounts counts{};
  store::KeepRecordBuffer keep(fm, log);
  for (int st = fm.FirstKey(log, 1); st == 0; st = fm.NextKey(log, 1)) {
    ConstBytes r = fm.RecordBuffer(log);
    if (IsBandChangeEntry(r) || GetU16(r, qso::kPoints.offset) == 0) continue;
    const Text rcvd = LoadRcvdExchange(r);
    const int b = AgeBucket(rcvd.size() > 3 ? std::string_view(rcvd).substr(3, 2) : std::string_view(), step);
    if (b >= 0) ++counts[static_cast<std::size_t>(b)];
  }
  return counts;
}

int AgeScaleMax(const AgeCounts& counts) {
  int m = *std::max_element(counts.begin(), counts.end());
  if (m < 10) m = 10;
  return (m + 9) / 10 * 10;
}

Text AgeBucketLabel(int i, AgeStep step) {
  if (i == 90) return "90 und mehr";
  if (step == AgeStep::kOne || i == 0) return FormatNumber(i, 2);
  const int width = step == AgeStep::kFive ? 4 : 9;
  return FormatNumber(std::max(1, i - width), 2) + "-" + FormatNumber(i, 2);
}

std::vector<ChartItem> BuildAgeChart(const AgeCounts& counts, AgeStep step) {
  std::vector<ChartItem> items;
  const auto rect = [&](int x1, int y1, int x2, int y2, bool blue = false) {
    items.push_back({ChartItem::kRect, x1, y1, x2, y2, {}, false, blue});
  };
  const auto text = [&](int x, int y, const Text& t, bool bold = false, bool blue = false) {
    items.push_back({ChartItem::kText, x, y, x, y, t, bold, blue});
  };
  const char* title = step == AgeStep::kOne    ? "Anzahl QSO pro Lebensalter"
                      : step == AgeStep::kFive ? "Anzahl QSO pro Lebensalter (5-Jahres-Schritte)"
                                               : "Anzahl QSO pro Lebensalter (10-Jahresschritte)";
  text(0, 0, title, true, true);
  text(300, 290, "Lebensalter", true);
  rect(40, 50, 42, 260);
  for (int n = 1; n <= 10; ++n) rect(30, 250 - 20 * n, 40, 253 - 20 * n);
  rect(40, 250, 600, 252);
  for (int i = 0; i <= 90; ++i) {
    int bottom = 0;
    if (i % 10 == 0) {
      bottom = 263;
    } else if (i % 5 == 0 && step != AgeStep::kTen) {
      bottom = 260;
    } else if (step == AgeStep::kOne) {
      bottom = 257;
    }
    if (bottom) rect(42 + 5 * i, 250, 44 + 5 * i, bottom);
    const bool labelled = step == AgeStep::kTen ? i % 10 == 0 : i % 5 == 0;
    if (labelled) {
      const int lower = step != AgeStep::kTen && i % 10 == 0 ? 10 : 0;
      text(35 + 5 * i, 265 + lower, AgeBucketLabel(i, step));
    }
  }
  if (std::all_of(counts.begin(), counts.end(), [](int c) { return c == 0; })) {
    text(200, 170, W("keine gültigen QSO im Log"), true);
    return items;
  }
  const int m = AgeScaleMax(counts);
  const int width = step == AgeStep::kOne ? 3 : (step == AgeStep::kFive ? 15 : 30);
  for (int i = 0; i <= 90; ++i) {
    const int c = counts[static_cast<std::size_t>(i)];
    if (c == 0) continue;
    rect(42 + 5 * i, 50 + (m - c) * 200 / m, 42 + 5 * i + width - 1, 249, true);
  }
  for (int n = 1; n <= 10; ++n) text(0, 245 - 20 * n, FormatNumber(n * m / 10, 3));
  return items;
}

}  // namespace vek
