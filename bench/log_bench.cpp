// Renumbering a contest log in time order (run when the entry window closes
// in contests without sent serial numbers).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <string>

#include "base/scripted_user_port.h"
#include "logging/contest_log.h"
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
      fm.AddRecord(log.log());
    }
    fm.SetFlushAfterWrite(log.log(), true);
    vek::ContestDefinition d;
    d.SentKind1 = vek::kDok;
    vek::ScriptedUserPort port;
    state.ResumeTiming();
    benchmark::DoNotOptimize(log.RenumberLog(d, port));
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
BENCHMARK(BM_RenumberLog)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
