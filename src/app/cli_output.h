// What a command prints: an ordered list of named values, shown either as
// "key: value" lines or as one JSON object (--json). Keys are lower snake case
// and the same in both forms.
#pragma once

#include <chrono>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/text.h"
#include "store/file_manager.h"

namespace vek::cli {

class Output {
 public:
  explicit Output(bool json) : json_(json), object_(nlohmann::ordered_json::object()) {}

  // Core texts are Windows-1252; they are shown as UTF-8.
  void Text(std::string_view key, std::string_view cp1252);
  void Number(std::string_view key, double value, int decimals);
  void Integer(std::string_view key, long long value);
  void Bool(std::string_view key, bool value);
  void Null(std::string_view key);
  void Value(std::string_view key, nlohmann::ordered_json value, std::string shown);

  // Failure: a message on stderr (and an "error" key in JSON). Returns 1.
  int Fail(std::string_view message);
  // Fail, then print what was gathered; the command's exit code.
  int Abort(std::string_view message);

  // Reports what the store went through first (see StoreTrouble).
  void Print(std::ostream& out);
  bool json() const { return json_; }

 private:
  bool json_;
  nlohmann::ordered_json object_;
  std::string lines_;
};

// What the record store of the running command went through: a stop after
// a serious failure, and repairs that could not keep every record. One
// command runs per process, so this is the process's.
struct StoreTrouble {
  store::FileManager* fm = nullptr;  // the command's store, for its repair notes
  std::optional<store::StopReport> stop;
  std::vector<store::FileManager::RepairNote> repairs;
  std::string given_up;  // the file another program held for longer than the companion waits
  // Whatever the command concluded, its exit code is 1 after these.
  bool Serious() const { return stop.has_value() || !repairs.empty() || !given_up.empty(); }
};
StoreTrouble& Trouble();
// The companion's store: a stop is kept for the report, and another program
// holding a file is waited for (up to half a minute each time) before giving
// up, which fails the command.
store::StoreEnvironment CompanionStoreEnvironment();
void WaitForOtherPrograms(store::FileManager& fm);
// The answer behind it, on a clock of the caller's, with its notes to `notes`;
// a wait given up is kept in Trouble().given_up.
store::LockQuestionRoutine WaitingAnswer(std::function<std::chrono::steady_clock::time_point()> now,
                                         std::ostream& notes);

// A text from the command line for a message: at most 300 characters.
std::string Shortened(std::string_view text);

// Fixed decimals, '.' as separator, as a JSON number with those decimals.
double RoundTo(double value, int decimals);
std::string Fixed(double value, int decimals);

}  // namespace vek::cli
