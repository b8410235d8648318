// Real processes on real files: forked writers add, rewrite and delete on
// two shared fileblocks, each noting in a journal of its own what the store
// reported done. Afterwards the files must hold exactly what the journals
// say, with unique automatic numbers and clean indexes, also when one of the
// writers was killed at a random moment.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "base/record_bytes.h"
#include "store/file_manager.h"
#include "store/store_check.h"

namespace vek::store {
namespace {

namespace fsys = std::filesystem;

// Record (48 bytes): 4-7 serial (automatic, key 1 unique), 8-17 tag of the
// writer's own (key 2 unique), 18-21 value (key 3 with duplicates).
constexpr int kLength = 48;
const char* const kBlocks[] = {"SHAREA", "SHAREB"};

Key SharedKey(ConstBytes r, int key) {
  switch (key) {
    case 1: return LongToKey(GetI32(r, 4));
    case 2: return PadRight(GetText(r, 8, 10), 10);
    case 3: return LongToKey(GetI32(r, 18));
    default: return {};
  }
}

FileBlock* OpenShared(FileManager& fm, const char* name, bool flush) {
  FileBlock* fb = fm.OpenFileBlock(name, name, kLength, kLength, nullptr, 3, SharedKey);
  fm.DefineKey(fb, 1, 5, false);
  fm.DefineKey(fb, 2, 10, false);
  fm.DefineKey(fb, 3, 5, true);
  fm.SetAutoNumber(fb, 1, 4);
  // One with a flush after every write, one without: the second keeps its
  // mark set between operations while the others work.
  fm.SetFlushAfterWrite(fb, flush);
  return fb;
}

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/vekshareXXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~TempFolder() { fsys::remove_all(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The writer process: `ops` random operations, each noted in journal<id>
// once the store reported it done. Exit 0 when all went, 3 after a serious
// failure, 4 when a record it had written was not found again.
[[noreturn]] void Writer(const std::string& folder, int id, int ops, unsigned seed) {
  if (::chdir(folder.c_str()) != 0) ::_exit(5);
  StoreEnvironment env;
  env.shutdown = [](const StopReport&) { ::_exit(3); };
  FileManager fm(env);
  if (fm.InitFileManager() != 0) ::_exit(5);
  fm.SetLockQuestion([](const std::string&, LockQuestion) { return true; });  // wait as long as it takes
  FileBlock* blocks[2] = {OpenShared(fm, kBlocks[0], true), OpenShared(fm, kBlocks[1], false)};
  const int journal = ::open(("journal" + std::to_string(id)).c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  std::mt19937 rng(seed);
  std::vector<std::string> mine[2];
  auto note = [&](const std::string& line) {
    if (::write(journal, line.data(), line.size()) != static_cast<ssize_t>(line.size())) ::_exit(5);
  };
  for (int i = 0; i < ops; ++i) {
    const int b = static_cast<int>(rng() % 2);
    FileBlock* fb = blocks[b];
    const int choice = static_cast<int>(rng() % 100);
    const std::int32_t value = static_cast<std::int32_t>(rng() % 50);
    if (choice < 60 || mine[b].empty()) {
      const std::string tag = "P" + std::to_string(id) + "-" + std::to_string(i);
      fm.ClearRecord(fb);
      Bytes r = fm.RecordBuffer(fb);
      PutText(r, 8, 10, tag);
      PutI32(r, 18, value);
      if (fm.AddRecord(fb) != 0) ::_exit(6);
      mine[b].push_back(tag);
      note("A " + std::to_string(b) + " " + tag + " " + std::to_string(value) + " " +
           std::to_string(GetI32(fm.RecordBuffer(fb), 4)) + "\n");
      continue;
    }
    const std::size_t pick = rng() % mine[b].size();
    const std::string tag = mine[b][pick];
    if (fm.FindKey(fb, 2, PadRight(tag, 10)) != 0) ::_exit(4);
    if (choice < 80) {
      PutI32(fm.RecordBuffer(fb), 18, value);
      if (fm.PutRecord(fb) != 0) ::_exit(6);
      note("P " + std::to_string(b) + " " + tag + " " + std::to_string(value) + "\n");
    } else {
      if (fm.DeleteRecord(fb) != 0) ::_exit(6);
      mine[b].erase(mine[b].begin() + static_cast<long>(pick));
      note("D " + std::to_string(b) + " " + tag + "\n");
    }
  }
  fm.ExitFileManager();
  ::_exit(0);
}

pid_t StartWriter(const std::string& folder, int id, int ops, unsigned seed) {
  const pid_t pid = ::fork();
  if (pid == 0) Writer(folder, id, ops, seed);
  return pid;
}

int ExitOf(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

struct Expected {
  std::map<std::string, std::int32_t> value;   // tag -> value
  std::map<std::string, std::int32_t> serial;  // tag -> serial
};

// What the journals say each fileblock holds. The last operation of a
// killed writer may have happened without its line: `in_flight` tags.
void Replay(const std::string& folder, int writers, Expected (&out)[2]) {
  for (int id = 0; id < writers; ++id) {
    std::ifstream in(folder + "/journal" + std::to_string(id));
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream words(line);
      char op = 0;
      int b = 0;
      std::string tag;
      words >> op >> b >> tag;
      if (op == 'A') {
        std::int32_t value = 0, serial = 0;
        words >> value >> serial;
        out[b].value[tag] = value;
        out[b].serial[tag] = serial;
      } else if (op == 'P') {
        words >> out[b].value[tag];
      } else {
        out[b].value.erase(tag);
        out[b].serial.erase(tag);
      }
    }
  }
}

struct Found {
  std::map<std::string, std::int32_t> value, serial;
  bool clean = false;
  std::string problems;
};

Found ReadBack(const std::string& folder, int b) {
  Found f;
  const std::string name = folder + "/" + kBlocks[b];
  const KeyBuilder builder = SharedKey;
  StoreEnvironment env;
  FileManager fm(env);
  fm.InitFileManager();
  FileBlock* fb = OpenShared(fm, name.c_str(), true);
  for (int s = fm.FirstKey(fb, 1); s == 0; s = fm.NextKey(fb, 1)) {
    ConstBytes r = fm.RecordBuffer(fb);
    const std::string tag = GetText(r, 8, 10);
    EXPECT_EQ(f.value.count(tag), 0u) << "twice: " << tag;
    f.value[tag] = GetI32(r, 18);
    f.serial[tag] = GetI32(r, 4);
  }
  EXPECT_EQ(fm.RecordCount(fb), static_cast<std::int32_t>(f.value.size()));
  fm.ExitFileManager();
  const CheckResult check = CheckFiles(RealFileSystem(), name, &builder);
  f.clean = check.clean;
  f.problems = check.Describe();
  return f;
}

TEST(MultiProcessTest, FourWritersTimesTwoHundredFiftyOperationsLoseNothing) {
  TempFolder folder;
  constexpr int kWriters = 4;
  std::vector<pid_t> pids;
  for (int id = 0; id < kWriters; ++id) pids.push_back(StartWriter(folder.path(), id, 250, 1000u + id));
  for (pid_t pid : pids) EXPECT_EQ(ExitOf(pid), 0);
  Expected expected[2];
  Replay(folder.path(), kWriters, expected);
  for (int b = 0; b < 2; ++b) {
    const Found found = ReadBack(folder.path(), b);
    EXPECT_TRUE(found.clean) << found.problems;
    EXPECT_EQ(found.value, expected[b].value) << kBlocks[b];
    EXPECT_EQ(found.serial, expected[b].serial) << kBlocks[b];
    std::set<std::int32_t> serials;
    for (const auto& [tag, serial] : found.serial) serials.insert(serial);
    EXPECT_EQ(serials.size(), found.serial.size());
  }
}

// One writer is killed at a random moment while another goes on; then the
// files open clean and hold everything either reported done. The killed
// writer's operation in flight may have happened or not.
TEST(MultiProcessTest, AWriterKilledAtARandomMomentCostsNothingReportedDone) {
  std::mt19937 rng(4711);
  for (int round = 0; round < 6; ++round) {
    TempFolder folder;
    const pid_t victim = StartWriter(folder.path(), 0, 400, 7u + round);
    const pid_t survivor = StartWriter(folder.path(), 1, 120, 70u + round);
    ::usleep(static_cast<useconds_t>(20000 + rng() % 200000));
    ::kill(victim, SIGKILL);
    const int victim_exit = ExitOf(victim);
    EXPECT_TRUE(victim_exit == -SIGKILL || victim_exit == 0) << victim_exit;
    EXPECT_EQ(ExitOf(survivor), 0) << "round " << round;
    Expected expected[2];
    Replay(folder.path(), 2, expected);
    for (int b = 0; b < 2; ++b) {
      const Found found = ReadBack(folder.path(), b);
      EXPECT_TRUE(found.clean) << "round " << round << ": " << found.problems;
      int differences = 0;
      for (const auto& [tag, value] : expected[b].value) {
        auto it = found.value.find(tag);
        if (it == found.value.end() || it->second != value) {
          // Only the victim's last, unreported operation may differ.
          EXPECT_EQ(tag.substr(0, 3), "P0-") << "round " << round << " lost " << tag;
          ++differences;
        }
      }
      for (const auto& [tag, value] : found.value)
        if (!expected[b].value.count(tag)) {
          EXPECT_EQ(tag.substr(0, 3), "P0-") << "round " << round << " stray " << tag;
          ++differences;
        }
      EXPECT_LE(differences, 1) << "round " << round;
    }
  }
}

}  // namespace
}  // namespace vek::store
