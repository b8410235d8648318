// The record store against SQLite on the same contest-log workloads: adds
// (10,000 and 100,000 contacts, durable and buffered), random finds, an
// ordered walk, rewrites with changed keys, deletes and a rebuild. SQLite
// gets a table with the same 27 indexes, prepared statements, and the
// synchronous setting that matches each durability mode (FULL with its
// default rollback journal for flush-after-write, OFF for buffered). The run
// ends with the ratio store time / SQLite time of every workload.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "contest_log_shape.h"
#include "counting_file_system.h"
#include "store/file_manager.h"
#include "store/memory_file_system.h"

namespace vek::bench {
namespace {

const std::vector<std::string>& Calls() {
  static const std::vector<std::string> calls = ContestCalls();
  return calls;
}

std::string TempDir() {
  char pattern[] = "/tmp/vekbenchXXXXXX";
  if (!mkdtemp(pattern)) std::abort();
  return pattern;
}

void RemoveDir(const std::string& dir) { std::system(("rm -rf " + dir).c_str()); }

class Engine {
 public:
  virtual ~Engine() = default;
  virtual void Open(const std::string& dir, bool durable) = 0;
  virtual void Add(const std::vector<std::uint8_t>& record) = 0;
  virtual bool FindCall(const std::string& call) = 0;
  virtual std::int64_t Walk() = 0;
  // Changes call and locator of contact `id` (keys 2, 3, 6, 9 and 23 change).
  virtual void ChangeCall(std::int32_t id, const std::string& call) = 0;
  virtual void Delete(std::int32_t id) = 0;
  virtual void Rebuild() = 0;
  virtual void Close() = 0;
  // The store's reads and writes of its files so far; SQLite's are not counted.
  virtual std::optional<CountingFileSystem::Counts> Io() const { return std::nullopt; }
};

class StoreEngine final : public Engine {
 public:
  explicit StoreEngine(bool in_memory = false)
      : fs_(in_memory ? static_cast<store::OsFileSystem&>(memory_) : store::RealFileSystem()) {}
  CountingFileSystem& files() { return fs_; }
  void Open(const std::string& dir, bool durable) override {
    store::StoreEnvironment env;
    env.fs = &fs_;
    fm_ = std::make_unique<store::FileManager>(env);
    fm_->InitFileManager();
    fb_ = fm_->OpenFileBlock(dir + "/QVLK0001", "QVLK0001", kRecordLength, kRecordLength, nullptr, kKeyCount,
                             LogKey);
    for (int k = 1; k <= kKeyCount; ++k) fm_->DefineKey(fb_, k, kShapes[k].length, kShapes[k].duplicates);
    fm_->SetAutoNumber(fb_, 4, kEntryNo);
    fm_->SetFlushAfterWrite(fb_, durable);
    if (fm_->RecordCount(fb_) < 0) std::abort();
  }
  void Add(const std::vector<std::uint8_t>& record) override {
    std::copy(record.begin(), record.end(), fm_->RecordBuffer(fb_).begin());
    if (fm_->AddRecord(fb_) != 0) std::abort();
  }
  bool FindCall(const std::string& call) override { return fm_->FindKey(fb_, 6, PadRight(call, 14)) == 0; }
  std::int64_t Walk() override {
    std::int64_t sum = 0;
    // One shared access for the whole walk, as the program's walks take it
    // (and as SQLite's statement holds its read lock).
    const store::HeldReading held(*fm_, fb_);
    for (int s = fm_->FirstKey(fb_, 2); s == 0; s = fm_->NextKey(fb_, 2)) sum += fm_->RecordBuffer(fb_)[kBand];
    return sum;
  }
  void ChangeCall(std::int32_t id, const std::string& call) override {
    if (fm_->FindKey(fb_, 4, store::LongToKey(id)) != 0) return;
    Bytes r = fm_->RecordBuffer(fb_);
    PutText(r, kCall, 15, call);
    r[kLocator + 1] = static_cast<std::uint8_t>('A' + (r[kLocator + 1] - 'A' + 1) % 18);
    if (fm_->PutRecord(fb_) != 0) std::abort();
  }
  void Delete(std::int32_t id) override {
    if (fm_->FindKey(fb_, 4, store::LongToKey(id)) == 0 && fm_->DeleteRecord(fb_) != 0) std::abort();
  }
  void Rebuild() override {
    if (fm_->RebuildFileBlock(fb_) != 0) std::abort();
  }
  void Close() override { fm_.reset(); }
  std::optional<CountingFileSystem::Counts> Io() const override { return fs_.counts(); }

 private:
  store::MemoryFileSystem memory_;
  CountingFileSystem fs_;
  std::unique_ptr<store::FileManager> fm_;
  store::FileBlock* fb_ = nullptr;
};

class SqliteEngine final : public Engine {
 public:
  void Open(const std::string& dir, bool durable) override {
    if (sqlite3_open((dir + "/log.db").c_str(), &db_) != SQLITE_OK) std::abort();
    Exec(durable ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=OFF");
    std::string create = "CREATE TABLE IF NOT EXISTS qso(id INTEGER PRIMARY KEY, rec BLOB";
    for (int k = 1; k <= kKeyCount; ++k) create += ", k" + std::to_string(k) + " BLOB";
    Exec(create + ")");
    for (int k = 1; k <= kKeyCount; ++k) {
      Exec(std::string(kShapes[k].duplicates ? "CREATE INDEX" : "CREATE UNIQUE INDEX") + " IF NOT EXISTS ix" +
           std::to_string(k) + " ON qso(k" + std::to_string(k) + ")");
    }
    std::string insert = "INSERT INTO qso(id, rec";
    std::string values = ") VALUES(?, ?";
    for (int k = 1; k <= kKeyCount; ++k) insert += ", k" + std::to_string(k), values += ", ?";
    insert_ = Prepare(insert + values + ")");
    find_ = Prepare("SELECT rec FROM qso WHERE k6 = ? ORDER BY id LIMIT 1");
    walk_ = Prepare("SELECT rec FROM qso ORDER BY k2, id");
    get_ = Prepare("SELECT rec FROM qso WHERE id = ?");
    update_ = Prepare("UPDATE qso SET rec = ?, k2 = ?, k3 = ?, k6 = ?, k9 = ?, k23 = ? WHERE id = ?");
    delete_ = Prepare("DELETE FROM qso WHERE id = ?");
    sqlite3_stmt* max = Prepare("SELECT COALESCE(MAX(id), 0) FROM qso");
    sqlite3_step(max);
    next_id_ = sqlite3_column_int(max, 0) + 1;
    sqlite3_finalize(max);
  }
  void Add(const std::vector<std::uint8_t>& record) override {
    std::vector<std::uint8_t> r = record;
    PutI32(r, kEntryNo, next_id_);
    sqlite3_bind_int(insert_, 1, next_id_++);
    sqlite3_bind_blob(insert_, 2, r.data(), static_cast<int>(r.size()), SQLITE_TRANSIENT);
    std::vector<store::Key> keys(kKeyCount + 1);
    for (int k = 1; k <= kKeyCount; ++k) {
      keys[k] = LogKey(r, k);
      sqlite3_bind_blob(insert_, k + 2, keys[k].data(), static_cast<int>(keys[k].size()), SQLITE_STATIC);
    }
    Step(insert_);
  }
  bool FindCall(const std::string& call) override {
    const std::string key = PadRight(call, 14);
    sqlite3_bind_blob(find_, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    const bool found = sqlite3_step(find_) == SQLITE_ROW;
    sqlite3_reset(find_);
    return found;
  }
  std::int64_t Walk() override {
    std::int64_t sum = 0;
    while (sqlite3_step(walk_) == SQLITE_ROW)
      sum += static_cast<const std::uint8_t*>(sqlite3_column_blob(walk_, 0))[kBand];
    sqlite3_reset(walk_);
    return sum;
  }
  void ChangeCall(std::int32_t id, const std::string& call) override {
    sqlite3_bind_int(get_, 1, id);
    if (sqlite3_step(get_) != SQLITE_ROW) return sqlite3_reset(get_), void();
    const auto* blob = static_cast<const std::uint8_t*>(sqlite3_column_blob(get_, 0));
    std::vector<std::uint8_t> r(blob, blob + kRecordLength);
    sqlite3_reset(get_);
    PutText(r, kCall, 15, call);
    r[kLocator + 1] = static_cast<std::uint8_t>('A' + (r[kLocator + 1] - 'A' + 1) % 18);
    sqlite3_bind_blob(update_, 1, r.data(), static_cast<int>(r.size()), SQLITE_TRANSIENT);
    const int changed[] = {2, 3, 6, 9, 23};
    std::vector<store::Key> keys;
    for (int k : changed) keys.push_back(LogKey(r, k));
    for (int i = 0; i < 5; ++i)
      sqlite3_bind_blob(update_, i + 2, keys[i].data(), static_cast<int>(keys[i].size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(update_, 7, id);
    Step(update_);
  }
  void Delete(std::int32_t id) override {
    sqlite3_bind_int(delete_, 1, id);
    Step(delete_);
  }
  void Rebuild() override { Exec("VACUUM"); }
  void Close() override {
    for (sqlite3_stmt* s : {insert_, find_, walk_, get_, update_, delete_}) sqlite3_finalize(s);
    sqlite3_close(db_);
    db_ = nullptr;
  }

 private:
  void Exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      std::fprintf(stderr, "sqlite: %s\n", error);
      std::abort();
    }
  }
  sqlite3_stmt* Prepare(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) std::abort();
    return s;
  }
  void Step(sqlite3_stmt* s) {
    if (sqlite3_step(s) != SQLITE_DONE) std::abort();
    sqlite3_reset(s);
  }

  sqlite3* db_ = nullptr;
  sqlite3_stmt *insert_ = nullptr, *find_ = nullptr, *walk_ = nullptr, *get_ = nullptr, *update_ = nullptr,
               *delete_ = nullptr;
  std::int32_t next_id_ = 1;
};

std::unique_ptr<Engine> Make(const std::string& engine) {
  if (engine == "Store") return std::make_unique<StoreEngine>();
  return std::make_unique<SqliteEngine>();
}

// Fills with `n` contacts; `last_tenth` gets the reads and writes of the last
// tenth of the adds, those made at the log's full size.
void Fill(Engine& e, int n, unsigned seed, std::optional<CountingFileSystem::Counts>* last_tenth = nullptr) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> r(kRecordLength);
  std::optional<CountingFileSystem::Counts> before;
  for (int i = 0; i < n; ++i) {
    if (i == n - n / 10) before = e.Io();
    MakeContact(r, i + 1, Calls()[rng() % Calls().size()], rng);
    e.Add(r);
  }
  const std::optional<CountingFileSystem::Counts> after = e.Io();
  if (last_tenth && before && after)
    *last_tenth = CountingFileSystem::Counts{after->syncs - before->syncs, after->reads - before->reads,
                                             after->writes - before->writes};
}

// A log of `n` contacts per engine, made once and reused by the read workloads.
const std::string& SharedLog(const std::string& engine, int n) {
  static std::map<std::string, std::string> dirs;
  const std::string id = engine + std::to_string(n);
  auto it = dirs.find(id);
  if (it != dirs.end()) return it->second;
  const std::string dir = TempDir();
  auto e = Make(engine);
  e->Open(dir, false);
  Fill(*e, n, 1);
  e->Close();
  // Written out before anything is timed: the disk's catch-up with this
  // log would otherwise land in whichever workload runs next.
  ::sync();
  return dirs[id] = dir;
}

void Register(const std::string& engine) {
  for (int n : {10000, 100000}) {
    for (bool durable : {false, true}) {
      benchmark::RegisterBenchmark(
          (engine + "/Add/" + std::to_string(n) + (durable ? "/flush" : "/buffered")).c_str(),
          [engine, n, durable](benchmark::State& state) {
            for (auto _ : state) {
              state.PauseTiming();
              const std::string dir = TempDir();
              auto e = Make(engine);
              e->Open(dir, durable);
              state.ResumeTiming();
              std::optional<CountingFileSystem::Counts> io;
              Fill(*e, n, 2, &io);
              e->Close();
              state.PauseTiming();
              RemoveDir(dir);
              // What an add at this size asks of the files: a store whose
              // adds stay linear reads and writes as much at 100,000 as at 10,000.
              if (io) {
                const double adds = n / 10;
                state.counters["reads_per_add"] = static_cast<double>(io->reads) / adds;
                state.counters["writes_per_add"] = static_cast<double>(io->writes) / adds;
                state.counters["syncs_per_add"] = static_cast<double>(io->syncs) / adds;
              }
              state.ResumeTiming();
            }
            state.SetItemsProcessed(state.iterations() * n);
          })
          ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    }
  }
  benchmark::RegisterBenchmark((engine + "/FindCall/100000").c_str(), [engine](benchmark::State& state) {
    auto e = Make(engine);
    e->Open(SharedLog(engine, 100000), false);
    std::mt19937 rng(3);
    std::int64_t found = 0;
    for (auto _ : state) {
      for (int i = 0; i < 10000; ++i) found += e->FindCall(Calls()[rng() % Calls().size()]);
    }
    e->Close();
    state.counters["found"] = static_cast<double>(found);
    state.SetItemsProcessed(state.iterations() * 10000);
  })->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark((engine + "/Walk/100000").c_str(), [engine](benchmark::State& state) {
    auto e = Make(engine);
    e->Open(SharedLog(engine, 100000), false);
    for (auto _ : state) benchmark::DoNotOptimize(e->Walk());
    e->Close();
    state.SetItemsProcessed(state.iterations() * 100000);
  })->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
  for (const char* what : {"PutChangedKeys", "Delete"}) {
    benchmark::RegisterBenchmark((engine + "/" + what + "/2000of10000/flush").c_str(),
                                 [engine, what](benchmark::State& state) {
      for (auto _ : state) {
        state.PauseTiming();
        const std::string dir = TempDir();
        {
          auto fill = Make(engine);
          fill->Open(dir, false);
          Fill(*fill, 10000, 4);
          fill->Close();
        }
        auto e = Make(engine);
        e->Open(dir, true);
        std::mt19937 rng(5);
        state.ResumeTiming();
        for (int i = 0; i < 2000; ++i) {
          const auto id = static_cast<std::int32_t>(1 + rng() % 10000);
          if (std::string(what) == "Delete")
            e->Delete(id);
          else
            e->ChangeCall(id, Calls()[rng() % Calls().size()]);
        }
        e->Close();
        state.PauseTiming();
        RemoveDir(dir);
        state.ResumeTiming();
      }
      state.SetItemsProcessed(state.iterations() * 2000);
    })->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
  }
  // The store's rebuild is always durable (its being-changed mark is cleared
  // only after the new index is on the disk); SQLite's VACUUM is measured
  // both without syncs and with synchronous=FULL.
  for (bool durable : {false, true}) {
    benchmark::RegisterBenchmark((engine + "/Rebuild/100000" + (durable ? "/durable" : "")).c_str(),
                                 [engine, durable](benchmark::State& state) {
      for (auto _ : state) {
        state.PauseTiming();
        const std::string dir = TempDir();
        std::system(("cp -r " + SharedLog(engine, 100000) + "/. " + dir).c_str());
        auto e = Make(engine);
        e->Open(dir, durable);
        state.ResumeTiming();
        e->Rebuild();
        e->Close();
        state.PauseTiming();
        RemoveDir(dir);
        state.ResumeTiming();
      }
    })->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
  }
}

// Replays the reads, writes and syncs noted by `noted` with pread, pwrite and
// fdatasync on fresh files in `dir`: the store's transfers without the store.
void Replay(const CountingFileSystem& noted, const std::string& dir) {
  std::vector<int> fds;
  for (const std::string& path : noted.paths()) {
    const std::string name = dir + "/" + path.substr(path.find_last_of('/') + 1);
    fds.push_back(::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644));
    if (fds.back() < 0) std::abort();
  }
  std::uint32_t largest = 1;
  for (const auto& t : noted.transfers()) largest = std::max(largest, t.bytes);
  std::vector<char> buffer(largest, 'x');
  for (const auto& t : noted.transfers()) {
    const int fd = fds[t.file];
    const auto at = static_cast<off_t>(t.offset);
    switch (t.kind) {
      case CountingFileSystem::Kind::kRead:
        if (::pread(fd, buffer.data(), t.bytes, at) < 0) std::abort();
        break;
      case CountingFileSystem::Kind::kWrite:
        if (::pwrite(fd, buffer.data(), t.bytes, at) != static_cast<ssize_t>(t.bytes)) std::abort();
        break;
      case CountingFileSystem::Kind::kSync:
        if (::fdatasync(fd) != 0) std::abort();
        break;
    }
  }
  for (int fd : fds) ::close(fd);
}

// The buffered fill taken apart, to tell what grows with the log's size:
// the store's own work (on a file system in memory) and the kernel's work
// for exactly the transfers the store asks for (replayed without the store).
void RegisterFillApart() {
  for (int n : {10000, 100000}) {
    const std::string size = std::to_string(n);
    benchmark::RegisterBenchmark(("StoreInMemory/Add/" + size + "/buffered").c_str(), [n](benchmark::State& state) {
      for (auto _ : state) {
        StoreEngine e(true);
        e.Open("/memory", false);
        Fill(e, n, 2);
        e.Close();
      }
      state.SetItemsProcessed(state.iterations() * n);
    })->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("StoreTransfersAlone/Add/" + size + "/buffered").c_str(),
                                 [n](benchmark::State& state) {
      for (auto _ : state) {
        state.PauseTiming();
        // Noted in memory: the store asks for the same transfers there as on disk.
        StoreEngine e(true);
        e.files().NoteTransfers(true);
        e.Open("/memory", false);
        Fill(e, n, 2);
        e.Close();
        const std::string dir = TempDir();
        state.ResumeTiming();
        Replay(e.files(), dir);
        state.PauseTiming();
        state.counters["transfers_per_add"] = static_cast<double>(e.files().transfers().size()) / n;
        RemoveDir(dir);
        state.ResumeTiming();
      }
      state.SetItemsProcessed(state.iterations() * n);
    })->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
  }
}

// Remembers each run's time so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
  }
  void PrintRatios() const {
    std::printf("\nstore time / SQLite time (below 1: the store is faster)\n");
    for (const auto& [name, t] : times_) {
      if (name.rfind("Store/", 0) != 0) continue;
      std::string other = "SQLite/" + name.substr(6);
      const auto it = times_.find(other);
      if (it == times_.end() || it->second <= 0) continue;
      std::printf("  %-40s %8.3f\n", name.substr(6).c_str(), t / it->second);
    }
    std::printf("\ntime of 100,000 adds / time of 10,000 adds (10: linear)\n");
    for (const auto& [name, t] : times_) {
      const std::size_t at = name.find("/Add/10000/");
      if (at == std::string::npos || t <= 0) continue;
      const auto it = times_.find(name.substr(0, at) + "/Add/100000/" + name.substr(at + 11));
      if (it == times_.end()) continue;
      const std::string rest = name.substr(at + 11);
      const std::string label = name.substr(0, at) + "/Add/" + rest.substr(0, rest.find('/'));
      std::printf("  %-40s %8.2f  (%.0f -> %.0f ms)\n", label.c_str(), it->second / t, t, it->second);
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace
}  // namespace vek::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  vek::bench::Register("Store");
  vek::bench::Register("SQLite");
  vek::bench::RegisterFillApart();
  vek::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
