// The age overview "Übersicht" of contest P: the contacts counted by the age
// the partners sent, and the chart as drawing items at their pixel places.
#pragma once

#include <array>
#include <vector>

#include "base/text.h"
#include "store/file_manager.h"

namespace vek {

enum class AgeStep { kOne, kFive, kTen };
using AgeCounts = std::array<int, 91>;  // bucket 90: "90 und mehr"

// The bucket of a received age text (characters 4 and 5 of the received
// exchange); -1 for none (a negative number).
int AgeBucket(std::string_view two, AgeStep step);
// Walks the log in date and time order: scored contacts that are no band-change entry.
AgeCounts CountAges(store::FileManager& fm, store::FileBlock* log, AgeStep step);
// The largest count, at least 10, rounded up to a multiple of 10.
int AgeScaleMax(const AgeCounts& counts);
// The label under bucket i: with five- and ten-year steps the ages the
// bucket counts ("1- 5" sits at bucket 5).
Text AgeBucketLabel(int bucket, AgeStep step);

struct ChartItem {
  enum Kind { kRect, kText } kind = kRect;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // a rectangle's first and last pixel; a text's place
  Text text;
  bool bold = false;
  bool blue = false;
};
std::vector<ChartItem> BuildAgeChart(const AgeCounts& counts, AgeStep step);

}  // namespace vek
