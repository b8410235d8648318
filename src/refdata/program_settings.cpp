#include "refdata/program_settings.h"

#include "store/replacing_file.h"

namespace vek {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::map<std::string, std::string, std::less<>> ProgramSettings::Parse(const std::string& text) {
  std::map<std::string, std::string, std::less<>> values;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = Trim(std::string_view(text).substr(at, end - at));
    at = end + 1;
    const auto eq = line.find('=');
    // Comments, section lines and lines without a key are passed over.
    if (line.empty() || line[0] == '#' || line[0] == ';' || line[0] == '[' || eq == 0 || eq == line.npos) continue;
    values[std::string(Trim(line.substr(0, eq)))] = std::string(Trim(line.substr(eq + 1)));
  }
  return values;
}

void ProgramSettings::Load() {
  values_ = Parse(store::ReadWholeFile(fs_, path_));
  changed_.clear();
}

std::int32_t ProgramSettings::Save() {
  auto merged = Parse(store::ReadWholeFile(fs_, path_));
  for (const auto& [key, value] : changed_) merged[key] = value;
  std::string text = "# Settings of vekcontest (this program only; the suite's files hold the rest)\n";
  for (const auto& [key, value] : merged) text += key + "=" + value + "\n";
  const std::int32_t error = store::ReplaceFileContents(fs_, path_, text);
  if (error == 0) {
    values_ = std::move(merged);
    changed_.clear();
  }
  return error;
}

std::string ProgramSettings::Get(std::string_view key, std::string_view fallback) const {
  const auto it = values_.find(key);
  return it == values_.end() ? std::string(fallback) : it->second;
}

bool ProgramSettings::GetBool(std::string_view key, bool fallback) const {
  const std::string v = Get(key);
  if (v == "1" || v == "true" || v == "ja") return true;
  if (v == "0" || v == "false" || v == "nein") return false;
  return fallback;
}

void ProgramSettings::Set(std::string_view key, std::string_view value) {
  // A line break in a value would split it into a key of its own.
  std::string v(value);
  for (char& c : v)
    if (c == '\n' || c == '\r') c = ' ';
  values_[std::string(key)] = v;
  changed_[std::string(key)] = v;
}

}  // namespace vek
