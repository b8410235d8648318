// Every file of the output menu for logs of 1,000 and 100,000 contacts on
// real files: the time from the menu's choice to the finished file
// (opening the log, measuring the columns, writing through the work file,
// the rename). The aim is under one second each at 100,000. And the ADIF
// import of such a file into an empty log through the entry session, every
// contact saved durably as a typed one.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

#include "base/scripted_user_port.h"
#include "bench_folder.h"
#include "catalogue/catalogue_records.h"
#include "contest_log_fill.h"
#include "export/adif_import.h"
#include "export/output_run.h"
#include "logging/contest_log.h"
#include "logging/entry_session.h"
#include "logging/qso_record.h"

namespace {

using namespace vek;

struct Fixture {
  bench::DataFolder folder;
  std::unique_ptr<store::FileManager> fm;
  std::unique_ptr<SuiteFiles> files;
  ScriptedUserPort port;
  ManualClock clock{UtcInstant{*DayNumberFromDate(2008, 11, 17), 12 * 3600}};
  ExportInputs in;

  explicit Fixture(int contacts) : folder("vekexport" + std::to_string(contacts)) {
    fm = std::make_unique<store::FileManager>();
    fm->InitFileManager();
    files = std::make_unique<SuiteFiles>(*fm);
    Fill(contacts);
    DefinitionInputs d;
    d.ContestCode = 'g';
    d.ClassNumber = 1;
    d.OwnDok = "I38";
    d.OwnLocator = "JO43KD";
    in.definition = BuildContestDefinition(d);
    in.log_number = 1;
    PutI32(in.qvkk, qvkk::kLogNumber.offset, 1);
    PutU8(in.qvkk, qvkk::kClassNumber.offset, 1);
    qvkk::PutColumnTotals(in.qvkk, 1, {contacts / 3, 60, contacts, 30, 30});
    in.station.own_call = "DF0NS";
    in.clock = &clock;
    in.files = files.get();
  }
  ~Fixture() {
    files.reset();
    fm.reset();
  }

  void Fill(int contacts) {
    bench::FillContestLog(
        *fm, *files, contacts, [](Bytes r, int i, const std::string& loc, const std::string& dok) {
          char rcvd[24];
          std::snprintf(rcvd, sizeof rcvd, "599%03d/%s/%s", (i + 1) % 1000, loc.c_str(), dok.c_str());
          PutI32(r, qso::kEntryNo.offset, i + 1);
          PutI32(r, qso::kBandNoB.offset, i / 3 + 1);
          StoreRcvdExchange(r, rcvd);
          StoreSentExchange(r, "599001/JO43/I38");
          PutU16(r, qso::kPoints.offset, static_cast<std::uint16_t>(1 + i % 12));
          PutText(r, qso::kMultiMark1, i % 5 == 0 ? loc.substr(0, 4) : std::string());
          PutText(r, qso::kMultiMark2, i % 7 == 0 ? dok : std::string());
        });
  }
};

Fixture& For(int contacts) {
  // One log per size, kept for all kinds: building 100,000 contacts takes longer than writing them.
  static std::unique_ptr<Fixture> f;
  static int made_for = 0;
  if (!f || made_for != contacts) {
    f.reset();
    f = std::make_unique<Fixture>(contacts);
    made_for = contacts;
  }
  return *f;
}

// The ADIF file of the log, read into a fresh empty log each round.
void BM_AdifImport(benchmark::State& state) {
  Fixture& f = For(static_cast<int>(state.range(0)));
  const std::string path = (f.folder.path() / "import.ADI").string();
  f.port.SetDefaultAnswer(true);
  WriteOutputFile(OutputKind::kAdif, f.in, path, f.port);
  std::int32_t log_number = 100;
  AdifCounts counts;
  for (auto _ : state) {
    state.PauseTiming();
    EntryContext c;
    c.files = f.files.get();
    c.port = &f.port;
    c.clock = &f.clock;
    c.definition = f.in.definition;
    c.log.log_number = ++log_number;
    c.log.own_dok = "I38";
    c.station.own_locator = "JO43KD";
    c.station.utc_offset = 0;
    EntrySession session(std::move(c));
    session.Open();
    state.ResumeTiming();
    AdifImport import(session);
    import.LoadFile(f.fm->file_system(), path);
    import.MapSame();
    counts = import.Start();
    state.PauseTiming();
    session.Close(f.in.qvkk, f.in.qvkz);
    state.ResumeTiming();
  }
  state.counters["imported"] = static_cast<double>(counts.imported);
  state.counters["duplicates"] = static_cast<double>(counts.duplicates);
}

void BM_File(benchmark::State& state, OutputKind kind) {
  Fixture& f = For(static_cast<int>(state.range(0)));
  std::uint64_t bytes = 0;
  for (auto _ : state) {
    const OutputOutcome r = WriteOutputFile(kind, f.in, (f.folder.path() / "out.txt").string(), f.port);
    if (r.result != OutputResult::kWritten) state.SkipWithError("the file was not written");
    bytes = r.bytes;
  }
  state.counters["file_bytes"] = static_cast<double>(bytes);
}

}  // namespace

// Registered size by size, so each log is built once.
int main(int argc, char** argv) {
  const std::pair<const char*, OutputKind> kinds[] = {{"summary", OutputKind::kSummaryFile},
                                                      {"qso_list", OutputKind::kQsoListFile},
                                                      {"band_list", OutputKind::kBandListFile},
                                                      {"multi_check", OutputKind::kMultiCheckFile},
                                                      {"whole_file", OutputKind::kWholeFile},
                                                      {"csv", OutputKind::kCsv},
                                                      {"adif", OutputKind::kAdif}};
  for (int size : {1000, 100000}) {
    for (const auto& [name, kind] : kinds)
      benchmark::RegisterBenchmark((std::string("BM_File/") + name).c_str(), BM_File, kind)
          ->Arg(size)
          ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_AdifImport", BM_AdifImport)
        ->Arg(size)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
