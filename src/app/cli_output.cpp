#include "app/cli_output.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>

#include "base/cp1252.h"

namespace vek::cli {

double RoundTo(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return std::round(value * scale) / scale;
}

std::string Fixed(double value, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  return buf;
}

void Output::Value(std::string_view key, nlohmann::ordered_json value, std::string shown) {
  object_[std::string(key)] = std::move(value);
  lines_ += std::string(key) + ": " + shown + "\n";
}

void Output::Text(std::string_view key, std::string_view cp1252) {
  const std::string utf8 = Cp1252ToUtf8(cp1252);
  Value(key, utf8, utf8);
}

void Output::Number(std::string_view key, double value, int decimals) {
  Value(key, RoundTo(value, decimals), Fixed(value, decimals));
}

void Output::Integer(std::string_view key, long long value) { Value(key, value, std::to_string(value)); }

void Output::Bool(std::string_view key, bool value) { Value(key, value, value ? "yes" : "no"); }

void Output::Null(std::string_view key) { Value(key, nullptr, "-"); }

std::string Shortened(std::string_view text) {
  if (text.size() <= 300) return std::string(text);
  std::size_t cut = 297;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // not inside a UTF-8 character
  return std::string(text.substr(0, cut)) + "...";
}

StoreTrouble& Trouble() {
  static StoreTrouble trouble;
  return trouble;
}

store::StoreEnvironment CompanionStoreEnvironment() {
  store::StoreEnvironment env;
  env.shutdown = [](const store::StopReport& r) { Trouble().stop = r; };
  return env;
}

store::LockQuestionRoutine WaitingAnswer(std::function<std::chrono::steady_clock::time_point()> now,
                                         std::ostream& notes) {
  // The store asks again about every two seconds while one wait lasts; a
  // longer silence means the file was had in between, so the next question
  // starts a wait of its own (a batch that runs for hours gets half a minute
  // for every wait, not half a minute for its whole run).
  struct Wait {
    std::optional<std::chrono::steady_clock::time_point> since, last;
    std::string name;
  };
  auto wait = std::make_shared<Wait>();
  return [wait, now = std::move(now), &notes](const std::string& name, store::LockQuestion type) {
    if (type == store::LockQuestion::kRebuildIndex || type == store::LockQuestion::kCreateFiles) return true;
    // A folder that is not there is no other program's doing: no use waiting.
    if (type == store::LockQuestion::kPathNotFound) return false;
    const auto at = now();
    if (!wait->last || at - *wait->last > std::chrono::seconds(5)) wait->since = at;
    const bool waiting = at - *wait->since < std::chrono::seconds(30);
    if (waiting && (wait->since == at || name != wait->name))
      notes << "note: " << name << " is held by another program; waiting\n";
    wait->last = at;
    wait->name = name;
    if (waiting) return true;
    // The first file given up on is the cause; the others follow from it.
    if (Trouble().given_up.empty()) Trouble().given_up = name;
    return false;
  };
}

void WaitForOtherPrograms(store::FileManager& fm) {
  Trouble().fm = &fm;
  fm.SetLockQuestion(WaitingAnswer([] { return std::chrono::steady_clock::now(); }, std::cerr));
}

namespace {

// The stop message on one line, with the file it concerns.
std::string StopText(const store::StopReport& r) {
  std::string text;
  for (char c : Cp1252ToUtf8(r.message)) {
    if (c == '\r' || c == '\n') c = ' ';
    if (c == ' ' && !text.empty() && text.back() == ' ') continue;
    text += c;
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  for (const store::FailureEntry& e : r.entries)
    if (!e.file_name.empty() && e.error_class > 2) return text + " (" + e.file_name + ")";
  return text;
}

}  // namespace

int Output::Fail(std::string_view message) {
  const StoreTrouble& t = Trouble();
  // After the store stopped or a file stayed held, what a command then fails
  // on is a symptom: the store's own message, or the held file, names the cause.
  const std::string text = t.stop ? StopText(*t.stop)
                           : !t.given_up.empty()
                               ? t.given_up + " is held by another program; gave up after half a minute"
                               : Shortened(Cp1252ToUtf8(message));
  if (t.stop) object_["error_number"] = t.stop->displayed_error;
  object_["error"] = text;
  std::cerr << "error: " << text << "\n";
  return 1;
}

int Output::Abort(std::string_view message) {
  const int rc = Fail(message);
  Print(std::cout);
  return rc;
}

void Output::Print(std::ostream& out) {
  StoreTrouble& t = Trouble();
  if (t.fm) {
    for (auto& note : t.fm->TakeRepairNotes()) {
      std::string text = note.file_name + ": " + std::to_string(note.records_dropped) +
                         " damaged record(s) could not be kept; their bytes are in " + note.file_name + ".MSG";
      if (!note.copy.empty()) text += ", the file as it was is " + note.copy;
      std::cerr << "error: " << text << "\n";
      object_["repairs"].push_back(text);
      lines_ += "repair: " + text + "\n";
      t.repairs.push_back(std::move(note));
    }
  }
  if ((t.stop || !t.given_up.empty()) && !object_.contains("error")) Fail("");
  if (json_)
    out << object_.dump() << "\n";
  else
    out << lines_;
}

}  // namespace vek::cli
