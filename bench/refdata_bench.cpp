// The lookups that run on every key press of the call and locator fields.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "refdata/bands.h"
#include "refdata/call_sign.h"
#include "refdata/locator.h"

namespace {

const std::vector<std::string> kCalls = {"DL1ABC", "DL/OE1ABC/P", "SV2XYZ/A", "DL1ABC/QRP", "HB0/DL1ABC",
                                         "OE1ABC//P", "DL1ABC/3", "FR5AB/G/F", "PA3XYZ/MM", "G4ABC"};

void BM_CallSignPart(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vek::CallSignPart(kCalls[i++ % kCalls.size()], state.range(0) != 0));
  }
}
BENCHMARK(BM_CallSignPart)->Arg(0)->Arg(1);

void BM_LocatorDistance(benchmark::State& state) {
  const std::vector<std::string> partners = {"JN58TD", "IO91WM", "JO40XX", "FN20", "JO62MN", "KP20LE"};
  std::size_t i = 0;
  vek::Qrb q;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vek::LocatorDistance("JO62MM", partners[i++ % partners.size()], q));
  }
}
BENCHMARK(BM_LocatorDistance);

void BM_BandOfTypedFrequency(benchmark::State& state) {
  const double typed[] = {3550, 144.3, 432.2, 1296.2, 10, 70};
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vek::BandCodeOfFrequency(vek::NormaliseFrequency(typed[i++ % 6])));
  }
}
BENCHMARK(BM_BandOfTypedFrequency);

}  // namespace
