// Whole processes, started as the operator starts them, in a data folder
// prepared as scripts/run prepares one:
// - the desktop program, from exec until its main window waits for the first
//   key (offscreen);
// - companion commands that only read (logs, totals, prefix) and add-qso,
//   on logs of 1,000 and 100,000 contacts;
// - what scripts/run does on a built tree before the program starts.
// Each process carries the probe (process_probe.cpp), which counts its
// fsync/fdatasync calls; the counters give them per process.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "contest_log_fill.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace vek;

struct Outcome {
  int status = -1;  // the exit status, -1 when it did not end normally
  long syncs = -1;
  std::string end;         // exit | idle | dialog, as the probe saw it
  std::string last_error;  // the last line it wrote to stderr
};

// A folder of the benchmark's own, removed when the program ends.
struct TempFolder {
  explicit TempFolder(const std::string& name) : path(fs::temp_directory_path() / name) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  fs::path path;
};

struct RunOptions {
  fs::path folder;
  bool probe = true;
  bool exit_when_idle = false;
};

// Runs `args` in `options.folder` and waits for it; its output is thrown
// away but for the last line of its errors.
Outcome Run(const std::vector<std::string>& args, const RunOptions& options) {
  // Beside the folder, not in it: the scripts run in the source tree.
  static const TempFolder probe("vekprobe" + std::to_string(::getpid()));
  const fs::path report = probe.path / "report", errors = probe.path / "stderr";
  fs::remove(report);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  env.push_back("QT_QPA_PLATFORM=offscreen");
  if (options.probe) {
    env.push_back(std::string("LD_PRELOAD=") + VEK_PROBE_PATH);
    env.push_back("VEK_PROBE_REPORT=" + report.string());
    if (options.exit_when_idle) env.push_back("VEK_PROBE_EXIT_WHEN_IDLE=1");
  }
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, options.folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  Outcome out;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return out;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return out;
  out.status = WEXITSTATUS(status);
  std::ifstream in(report);
  for (std::string word; in >> word;) {
    if (word == "syncs") in >> out.syncs;
    if (word == "end") in >> out.end;
  }
  std::ifstream err(errors);
  for (std::string line; std::getline(err, line);)
    if (!line.empty()) out.last_error = line;
  return out;
}

// A data folder with log 1 of contest g holding `contacts` contacts, the
// reference tables and the rules, made once per size and kept for the run.
const fs::path& Folder(int contacts) {
  static std::map<int, TempFolder> folders;
  if (auto it = folders.find(contacts); it != folders.end()) return it->second.path;
  const fs::path& folder =
      folders.try_emplace(contacts, "vekstart" + std::to_string(contacts)).first->second.path;
  const RunOptions plain{folder, false, false};
  const std::string ref = "/usr/share/hamradio-files/";
  Run({VEK_CLI_PATH, "new-log", "--name", "Nordsee 2008", "--call", "DL1ABC", "--locator", "JO43KD", "--dok",
       "I38", "--class", "1", "--date-from", "15.11.2008", "--postcode-town", "26129 Oldenburg", "--yes"},
      plain);
  Run({VEK_CLI_PATH, "import-cty", ref + "cty.dat"}, plain);
  Run({VEK_CLI_PATH, "import-calls", ref + "WAG_call_history.txt"}, plain);
  Run({VEK_CLI_PATH, "import-scp", ref + "MASTER.SCP"}, plain);
  for (const char* f : {"nordseeukwR.RTF", "vekcont.html"})
    fs::copy_file(fs::path(VEK_SOURCE_DIR) / "data" / f, folder / f, fs::copy_options::overwrite_existing);
  // The contacts, written as earlier saves left them.
  const fs::path back = fs::current_path();
  fs::current_path(folder);
  {
    store::FileManager fm;
    fm.InitFileManager();
    SuiteFiles files(fm);
    bench::FillContestLog(fm, files, contacts, nullptr);
    fm.ExitFileManager();
  }
  fs::current_path(back);
  // The stored totals, as a session leaves them.
  Run({VEK_CLI_PATH, "recount", "1"}, plain);
  return folder;
}

bool Expect(benchmark::State& state, const Outcome& o, const char* end) {
  if (o.status == 0 && o.end == end) return true;
  const std::string why = o.end == "dialog" ? "the program waits in a dialog at start"
                                            : "the process failed (exit status " + std::to_string(o.status) +
                                                  "): " + o.last_error;
  state.SkipWithError(why.c_str());
  return false;
}

void BM_DesktopStart(benchmark::State& state) {
  const RunOptions options{Folder(static_cast<int>(state.range(0))), true, true};
  long syncs = 0;
  for (auto _ : state) {
    const Outcome o = Run({VEK_DESKTOP_PATH}, options);
    if (!Expect(state, o, "idle")) return;
    syncs += o.syncs;
  }
  state.counters["syncs"] = static_cast<double>(syncs) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_DesktopStart)->Arg(1000)->Arg(100000)->UseRealTime()->Unit(benchmark::kMillisecond);

// A companion command per process; add-qso logs a new partner each time.
void Companion(benchmark::State& state, const std::vector<std::string>& command) {
  const RunOptions options{Folder(static_cast<int>(state.range(0))), true, false};
  const bool adds = command[0] == "add-qso";
  static int n = 0;  // the benchmark runs more than once on the same log
  long syncs = 0;
  for (auto _ : state) {
    std::vector<std::string> args{VEK_CLI_PATH};
    args.insert(args.end(), command.begin(), command.end());
    if (adds) {
      char call[16];
      std::snprintf(call, sizeof call, "PA%dQQ", n++);
      args.insert(args.end(), {"--call", call, "--rcvd2", "001", "--rcvd3", "JO22AB", "--rcvd4", "I23",
                               "--date", "15.11.2008", "--time", "12:00", "--band", "2m", "--mode", "CW"});
    }
    const Outcome o = Run(args, options);
    if (!Expect(state, o, "exit")) return;
    syncs += o.syncs;
  }
  state.counters["syncs"] = static_cast<double>(syncs) / static_cast<double>(state.iterations());
}

void BM_CompanionLogs(benchmark::State& state) { Companion(state, {"logs"}); }
void BM_CompanionTotals(benchmark::State& state) { Companion(state, {"totals", "1"}); }
void BM_CompanionPrefix(benchmark::State& state) { Companion(state, {"prefix", "DL1ABC"}); }
void BM_CompanionAddQso(benchmark::State& state) { Companion(state, {"add-qso", "1"}); }
BENCHMARK(BM_CompanionLogs)->Arg(1000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompanionTotals)->Arg(1000)->Arg(100000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompanionPrefix)->Arg(1000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompanionAddQso)->Arg(1000)->Arg(100000)->UseRealTime()->Unit(benchmark::kMillisecond);

// What scripts/run adds to the program's own start on a built tree: the
// package check and the build that finds nothing to do (this benchmark's
// own build folder, which is complete when it runs).
void BM_RunScriptBeforeTheProgram(benchmark::State& state) {
  const RunOptions options{VEK_SOURCE_DIR, false, false};
  for (auto _ : state) {
    if (Run({VEK_SOURCE_DIR "/scripts/install-deps"}, options).status != 0 ||
        Run({VEK_SOURCE_DIR "/scripts/build", VEK_BINARY_DIR}, options).status != 0) {
      state.SkipWithError("scripts/install-deps or scripts/build failed");
      return;
    }
  }
}
BENCHMARK(BM_RunScriptBeforeTheProgram)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
