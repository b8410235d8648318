// Renumbering a contest log in time order (run when the entry window closes
// in contests without sent serial numbers).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <string>

#include "base/scripted_user_port.h"
#include "logging/contest_log.h"
#include "logging/contest_totals.h"
#include "logging/qso_record.h"

namespace {

void BM_RenumberLog(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    char pattern[] = "/tmp/veklogbenchXXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0) std::abort();
    vek::store::FileManager fm;
    fm.InitFileManager();
    vek::SuiteFiles files(fm);
    vek::ContestLog log(files, 1);
    log.OpenContestLog();
    fm.SetFlushAfterWrite(log.log(), false);
    std::mt19937 rng(1);
    for (int i = 0; i < n; ++i) {
      fm.ClearRecord(log.log());
      vek::Bytes r = fm.RecordBuffer(log.log());
      vek::PutText(r, vek::qso::kCall, "DL" + std::to_string(rng() % 10) + "X" + std::to_string(rng() % 5000));
      vek::PutI32(r, vek::qso::kDate.offset, 149338 + static_cast<int>(rng() % 2));
      vek::PutI32(r, vek::qso::kTime.offset, static_cast<int>(rng() % 86400));
      vek::PutU8(r, vek::qso::kBand.offset, static_cast<std::uint8_t>("klm"[rng() % 3]));
      vek::PutText(r, vek::qso::kMode, rng() % 2 ? "SSB" : "CW");
      vek::PutText(r, vek::qso::kLocator, "JO" + std::to_string(10 + rng() % 80) + "AB");
      vek::PutText(r, vek::qso::kCountryPrefix, rng() % 3 ? "DL" : "PA");
      vek::StoreRcvdDok(r, "I" + std::to_string(10 + rng() % 60));
      fm.AddRecord(log.log());
    }
    fm.SetFlushAfterWrite(log.log(), true);
    // With the marks of a contest whose multipliers are judged per band and
    // mode (code 2), or without any marks.
    vek::DefinitionInputs in;
    in.ContestCode = '2';
    in.ClassNumber = 1;
    in.OwnLocator = "JO31AB";
    const vek::ContestDefinition d = vek::BuildContestDefinition(in);
    vek::ScoringContext ctx;
    ctx.code = '2';
    ctx.definition = &d;
    ctx.own_locator = "JO31AB";
    vek::ContestTotals totals(fm, log.log(), ctx);
    vek::ScriptedUserPort port;
    state.ResumeTiming();
    benchmark::DoNotOptimize(log.RenumberLog(d, port, state.range(1) ? &totals : nullptr));
    state.PauseTiming();
    log.CloseTempLog();
    log.CloseContestLog();
    fm.ExitFileManager();
    if (chdir("/tmp") != 0) std::abort();
    std::system((std::string("rm -rf ") + pattern).c_str());
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RenumberLog)->Args({10000, 0})->Args({100000, 0})->Args({100000, 1})->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
