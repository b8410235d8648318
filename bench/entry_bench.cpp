// What the operator waits for: a durable save through the entry session
// (every write flushed, real files), a key press in the exchange fields, a
// band change, the recount and the stored summary, on logs of 1,000, 10,000
// and 100,000 contacts. Median and 99th percentile per operation are
// reported as counters (microseconds).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

#include "base/scripted_user_port.h"
#include "bench_folder.h"
#include "counting_file_system.h"
#include "contest_log_fill.h"
#include "catalogue/catalogue_records.h"
#include "logging/entry_session.h"
#include "logging/qso_record.h"

namespace {

using namespace vek;
using Clock_ = std::chrono::steady_clock;

struct Fixture {
  bench::DataFolder folder;
  bench::CountingFileSystem fs;
  std::unique_ptr<store::FileManager> fm;
  std::unique_ptr<SuiteFiles> files;
  ScriptedUserPort port;
  ManualClock clock{UtcInstant{*DayNumberFromDate(2008, 11, 15), 14 * 3600}};
  std::unique_ptr<EntrySession> session;

  explicit Fixture(int contacts) : folder("vekbench" + std::to_string(contacts)) {
    store::StoreEnvironment env;
    env.fs = &fs;
    fm = std::make_unique<store::FileManager>(env);
    fm->InitFileManager();
    files = std::make_unique<SuiteFiles>(*fm);
    Fill(contacts);
    session = std::make_unique<EntrySession>(Context());
    session->Open();
    session->ClockTick();
  }
  ~Fixture() {
    session.reset();
    files.reset();
    fm.reset();
  }

  EntryContext Context() {
    EntryContext c;
    c.files = files.get();
    c.port = &port;
    c.clock = &clock;
    DefinitionInputs in;
    in.ContestCode = 'g';
    in.ClassNumber = 1;
    in.OwnLocator = "JO43KD";
    in.OwnDok = "I38";
    c.definition = BuildContestDefinition(in);
    c.definition_inputs = in;
    c.log.log_number = 1;
    c.log.own_dok = "I38";
    c.station.own_locator = "JO43KD";
    c.station.utc_offset = 0;
    return c;
  }

  // The log as earlier saves left it, written without a flush per record.
  void Fill(int contacts) {
    bench::FillContestLog(*fm, *files, contacts, [](Bytes r, int, const std::string&, const std::string&) {
      PutText(r, qso::kMultiMark1, "X");
      PutText(r, qso::kMultiMark2, "X");
    });
  }
};

void Report(benchmark::State& state, std::vector<double>& us) {
  if (us.empty()) return;
  std::sort(us.begin(), us.end());
  state.counters["median_us"] = us[us.size() / 2];
  state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
}

// Times one Enter and counts the syncs it waited for.
struct EnterTimes {
  std::vector<double> us;
  std::int64_t syncs = 0;
  void Enter(Fixture& f) {
    const std::int64_t before = f.fs.syncs();
    const auto t0 = Clock_::now();
    f.session->Enter();
    us.push_back(std::chrono::duration<double, std::micro>(Clock_::now() - t0).count());
    syncs += f.fs.syncs() - before;
  }
  void Report(benchmark::State& state, const char* syncs_counter) {
    ::Report(state, us);
    state.counters[syncs_counter] = static_cast<double>(syncs) / static_cast<double>(state.iterations());
  }
};

void BM_DurableSave(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  EnterTimes times;
  int n = 0;
  for (auto _ : state) {
    EntrySession& s = *f.session;
    char call[16];
    std::snprintf(call, sizeof call, "PA%dZZ", n++);
    s.Type(EntryFieldId::eCall, call);
    s.Enter();
    s.Type(EntryFieldId::eRSTr2, "001");
    s.Enter();
    s.Type(EntryFieldId::eRSTr3, "JO22AB");
    s.Enter();
    s.Type(EntryFieldId::eRSTr4, "I23");
    times.Enter(f);  // the save: add, flush, totals, call book, next contact
  }
  times.Report(state, "syncs_per_save");
}

// Enter in the call field: the duplicate check, the partner and country
// look-ups; it only reads.
void BM_EnterInTheCallField(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  // The first look-up in a fresh data folder creates the suite's empty
  // prefix and call tables (and syncs them); a prepared folder has them.
  f.session->Type(EntryFieldId::eCall, "OZ1AA");
  f.session->Enter();
  f.session->Escape();
  EnterTimes times;
  int n = 0;
  for (auto _ : state) {
    char call[16];
    std::snprintf(call, sizeof call, "OZ%dQQ", n++);
    f.session->Type(EntryFieldId::eCall, call);
    times.Enter(f);
    f.session->Escape();
  }
  times.Report(state, "syncs_per_enter");
}
BENCHMARK(BM_EnterInTheCallField)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_DurableSave)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)->Iterations(300);

void BM_KeyPressInAnExchangeField(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  EntrySession& s = *f.session;
  s.Type(EntryFieldId::eCall, "DL7ABC");
  s.Enter();
  const char* typed[] = {"J", "JO", "JO4", "JO42", "JO42A", "JO42AB"};
  std::vector<double> us;
  int i = 0;
  for (auto _ : state) {
    const auto t0 = Clock_::now();
    s.Type(EntryFieldId::eRSTr3, typed[i++ % 6]);  // live update with the multiplier evaluation
    us.push_back(std::chrono::duration<double, std::micro>(Clock_::now() - t0).count());
  }
  Report(state, us);
}
BENCHMARK(BM_KeyPressInAnExchangeField)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_BandChange(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  std::vector<double> us;
  int i = 0;
  const char bands[] = {'l', 'k'};
  for (auto _ : state) {
    const auto t0 = Clock_::now();
    f.session->ChangeBand(bands[i++ % 2]);
    us.push_back(std::chrono::duration<double, std::micro>(Clock_::now() - t0).count());
  }
  Report(state, us);
}
BENCHMARK(BM_BandChange)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_RecalculateTotals(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  for (auto _ : state) f.session->totals().RecalculateTotals(true);
}
BENCHMARK(BM_RecalculateTotals)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

// Opening the entry window on a log: the session's checks of the log, the
// recount and the first contact.
void BM_OpenSession(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  std::vector<double> us;
  for (auto _ : state) {
    f.session.reset();
    const auto t0 = Clock_::now();
    f.session = std::make_unique<EntrySession>(f.Context());
    f.session->Open();
    us.push_back(std::chrono::duration<double, std::micro>(Clock_::now() - t0).count());
  }
  Report(state, us);
}
BENCHMARK(BM_OpenSession)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

// What `vekcontest-cli add-qso` does in its process: a session opened on the
// log, one contact typed and saved, the session closed with the summary.
void BM_OneContactInAFreshSession(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  std::vector<std::uint8_t> kk(qvkk::Spec().record_length, 0), kz(qvkz::kLength, 0);
  std::vector<double> us;
  int n = 0, whole = 0;
  for (auto _ : state) {
    f.session.reset();
    const auto t0 = Clock_::now();
    EntrySession s(f.Context());
    s.Open(EntrySession::OpenFor::kOneContact);
    s.ClockTick();
    char call[16];
    std::snprintf(call, sizeof call, "PA%dYY", n++);
    s.Type(EntryFieldId::eCall, call);
    s.Enter();
    s.Type(EntryFieldId::eRSTr2, "001");
    s.Enter();
    s.Type(EntryFieldId::eRSTr3, "JO22AB");
    s.Enter();
    s.Type(EntryFieldId::eRSTr4, "I23");
    s.Enter();
    s.Close(kk, kz);
    us.push_back(std::chrono::duration<double, std::micro>(Clock_::now() - t0).count());
    whole += s.totals().entries_walked() > 1;
  }
  Report(state, us);
  // The first command finds no stored count and counts the whole log.
  state.counters["whole_log_counts"] = static_cast<double>(whole);
}
BENCHMARK(BM_OneContactInAFreshSession)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_StoreLogSummary(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  std::vector<std::uint8_t> kk(qvkk::Spec().record_length, 0), kz(qvkz::kLength, 0);
  for (auto _ : state) f.session->totals().StoreLogSummary(kk, kz, false, f.port);
}
BENCHMARK(BM_StoreLogSummary)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
