// The partner panel's index: building it when the entry window opens from
// the whole MASTER.SCP and a log of 100,000 contacts (100,000 calls of its
// own), and the look-up of one key press while a call is typed, as median
// and 99th percentile (microseconds) over every prefix of 3,000 calls.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

#include "bench_folder.h"
#include "contest_log_fill.h"
#include "logging/known_calls.h"
#include "store/os_file.h"

namespace {

using namespace vek;
using Clock_ = std::chrono::steady_clock;

constexpr const char* kScp = "/usr/share/hamradio-files/MASTER.SCP";

struct Fixture {
  bench::DataFolder folder{"vekbench-known"};
  std::unique_ptr<store::FileManager> fm;
  std::unique_ptr<SuiteFiles> files;
  KnownCallSources sources;

  explicit Fixture(int contacts) {
    if (std::filesystem::exists(kScp)) std::filesystem::copy_file(kScp, "MASTER.SCP");
    store::StoreEnvironment env;
    env.fs = &store::RealFileSystem();
    fm = std::make_unique<store::FileManager>(env);
    fm->InitFileManager();
    files = std::make_unique<SuiteFiles>(*fm);
    bench::FillContestLog(*fm, *files, contacts, nullptr);
    sources.logs = {1};
    sources.current_log = 1;
  }
  ~Fixture() {
    files.reset();
    fm.reset();
  }
};

void BM_BuildKnownCalls(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  std::size_t calls = 0;
  for (auto _ : state) {
    KnownCalls known = BuildKnownCalls(*f.files, f.sources);
    calls = known.size();
    benchmark::DoNotOptimize(known);
  }
  state.counters["calls"] = static_cast<double>(calls);
}
BENCHMARK(BM_BuildKnownCalls)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PartialKeyPress(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  KnownCalls known = BuildKnownCalls(*f.files, f.sources);
  // What operators type: calls of the list, and calls logged before.
  std::vector<std::string> typed;
  std::mt19937 rng(7);
  const std::vector<Text> scp = ParseScp(store::ReadWholeFile(store::RealFileSystem(), "MASTER.SCP"));
  for (int i = 0; i < 3000; ++i) {
    if (!scp.empty() && i % 2 == 0) typed.push_back(scp[rng() % scp.size()]);
    else typed.push_back("DL" + std::to_string(rng() % 100000) + "X");
  }
  std::vector<double> us;
  std::size_t shown = 0;
  for (auto _ : state) {
    us.clear();
    for (const std::string& call : typed) {
      for (std::size_t n = 2; n <= call.size(); ++n) {
        const auto t0 = Clock_::now();
        const auto matches = known.Partial(std::string_view(call).substr(0, n), 'k');
        us.push_back(std::chrono::duration<double, std::micro>(Clock_::now() - t0).count());
        shown += matches.size();
      }
    }
  }
  std::sort(us.begin(), us.end());
  state.counters["presses"] = static_cast<double>(us.size());
  state.counters["median_us"] = us[us.size() / 2];
  state.counters["p99_us"] = us[us.size() * 99 / 100];
  state.counters["max_us"] = us.back();
  benchmark::DoNotOptimize(shown);
}
BENCHMARK(BM_PartialKeyPress)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
