// Drawing the locator map of a 10,000-contact log (1,000 x 700 pixels,
// offscreen), and the statistics behind it read afresh.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <random>

#include "logging/contest_statistics.h"
#include "logging/contest_log.h"
#include "logging/qso_record.h"
#include "ui/locator_map.h"

namespace {

using namespace vek;

ContestStatistics TenThousand() {
  ContestStatistics stats({149338, 14 * 3600}, {149339, 14 * 3600}, "JO43KD");
  std::mt19937 rng(3);
  const char bands[] = {'k', 'l', 'm'};
  for (int i = 1; i <= 10000; ++i) {
    std::vector<std::uint8_t> r(qso::kLength, 0);
    PutI32(r, qso::kEntryNo.offset, i);
    PutText(r, qso::kCall, "DL" + std::to_string(i) + "X");
    PutU8(r, qso::kBand.offset, static_cast<std::uint8_t>(bands[i % 3]));
    PutI32(r, qso::kDate.offset, 149338);
    PutI32(r, qso::kTime.offset, 14 * 3600 + i * 8);
    const std::string loc = {static_cast<char>('I' + rng() % 3), static_cast<char>('N' + rng() % 2),
                             static_cast<char>('0' + rng() % 10), static_cast<char>('0' + rng() % 10), 'A', 'A'};
    PutText(r, qso::kLocator, loc);
    PutI32(r, qso::kQrbKm.offset, static_cast<std::int32_t>(rng() % 900));
    stats.Saved(r);
  }
  return stats;
}

void BM_DrawTheMapOf10000Contacts(benchmark::State& state) {
  const ContestStatistics stats = TenThousand();
  ui::LocatorMap map(stats);
  map.resize(1000, 700);
  map.SetTyped("JO62MM");
  QImage image(map.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QPainter p(&image);
    map.Render(p, QRect(QPoint(0, 0), map.size()));
  }
}
BENCHMARK(BM_DrawTheMapOf10000Contacts)->Unit(benchmark::kMillisecond);

void BM_StatisticsOf10000Contacts(benchmark::State& state) {
  const ContestStatistics stats = TenThousand();
  for (auto _ : state) {
    benchmark::DoNotOptimize(stats.PerHour());
    benchmark::DoNotOptimize(stats.Squares(0));
  }
}
BENCHMARK(BM_StatisticsOf10000Contacts)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
