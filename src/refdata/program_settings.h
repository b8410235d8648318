// This program's own settings, kept apart from the suite's record files
// (whose layouts other programs share): "key=value" lines in a small text
// file of the data folder. A missing or damaged file gives the defaults;
// lines this version does not know are kept when it writes the file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "store/os_file.h"

namespace vek {

class ProgramSettings {
 public:
  static constexpr const char* kFileName = "vekcontest.ini";

  ProgramSettings(store::OsFileSystem& fs, std::string path = kFileName) : fs_(fs), path_(std::move(path)) {}

  // Reads the file again; what it does not hold keeps its default.
  void Load();
  // Writes the values set since the last load or save into the file as it
  // is now (another window or program may have set others meanwhile), in
  // one replacement of the file; the store error, 0 when it worked.
  std::int32_t Save();

  std::string Get(std::string_view key, std::string_view fallback = "") const;
  bool GetBool(std::string_view key, bool fallback) const;
  void Set(std::string_view key, std::string_view value);
  void SetBool(std::string_view key, bool value) { Set(key, value ? "1" : "0"); }

 private:
  store::OsFileSystem& fs_;
  std::string path_;
  std::map<std::string, std::string, std::less<>> values_;
  std::map<std::string, std::string, std::less<>> changed_;
  static std::map<std::string, std::string, std::less<>> Parse(const std::string& text);
};

// The keys of the entry window's settings.
inline constexpr std::string_view kHistoryPrefillKey = "entry.history_prefill";

}  // namespace vek
