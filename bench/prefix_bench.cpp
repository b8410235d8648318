// The prefix lookup over the calls of a real list of contest calls, against
// tables built from the real country file (both from hamradio-files), the
// way a batch of `prefix --stdin` runs it.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/scripted_user_port.h"
#include "refdata/cty_import.h"
#include "refdata/prefix_lookup.h"
#include "store/memory_file_system.h"

namespace {

std::string Read(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void BM_LookupPrefix(benchmark::State& state) {
  const std::string dat = Read("/usr/share/hamradio-files/cty.dat");
  if (dat.empty()) {
    state.SkipWithError("hamradio-files is not installed");
    return;
  }
  std::vector<std::string> calls;
  std::istringstream scp(Read("/usr/share/hamradio-files/MASTER.SCP"));
  for (std::string line; std::getline(scp, line);)
    if (!line.empty() && line[0] != '#') calls.push_back(line);
  vek::store::MemoryFileSystem fs;
  vek::store::StoreEnvironment env;
  env.fs = &fs;
  vek::store::FileManager fm(env);
  fm.InitFileManager();
  vek::SuiteFiles files(fm);
  vek::CtyImportCounts counts;
  vek::ImportCty(files, vek::ParseCtyDat(dat), vek::ParseCtyCsv(Read("/usr/share/hamradio-files/cty.csv")),
                 counts);
  vek::ScriptedUserPort port;
  port.SetDefaultChoice(vek::ScriptedUserPort::kTakePreselected);
  vek::PrefixLookup lookup(files, port, 155000);
  // The batch's way, as `vekcontest-cli prefix --stdin` looks calls up: the
  // tables stay open between the lookups.
  lookup.HoldTables();
  std::size_t i = 0, found = 0;
  for (auto _ : state) {
    found += lookup.LookupPrefix(calls[i++ % calls.size()], 0).status == vek::PrefixStatus::kFound;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["found_share"] = static_cast<double>(found) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_LookupPrefix)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
