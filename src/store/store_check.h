// The integrity check of a fileblock's files, taken from the files alone:
// header counts, the deleted chain, every B-tree (order, duplicates by record
// number, entry counts, uniform depth, page links, free page chains), every
// entry pointing at a record in use and every record in use present exactly
// once in every index. With a key builder it also compares each entry's key
// text with the key its record gives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/file_block.h"
#include "store/os_file.h"

namespace vek::store {

struct CheckedKey {
  int length = 0;
  bool duplicates = false;
  int entries_per_page = 0;
  std::int32_t entries = 0;
  int depth = 0;
  std::int32_t pages = 0;
  std::int32_t free_pages = 0;
};

struct CheckResult {
  bool clean = false;
  bool files_found = false;
  int record_length = 0;
  int key_count = 0;  // as the record file's header says
  std::int32_t records_in_use = 0;
  std::int32_t deleted = 0;
  bool being_changed = false;
  std::vector<CheckedKey> keys;  // keys[0] is key 1
  std::vector<std::string> problems;
  std::string Describe() const;
};

// `name` without extension. At most `max_problems` are listed.
CheckResult CheckFiles(OsFileSystem& fs, const std::string& name, const KeyBuilder* builder = nullptr,
                       std::size_t max_problems = 100);

}  // namespace vek::store

namespace vek::store {

// The key texts an index holds, by record number, as far as its pages can be
// read; a rebuild without the owner's key builder gives the records back the
// keys they had. Damaged pages are skipped.
std::vector<std::pair<std::int32_t, Key>> SalvageKeys(OsFileSystem& fs, const std::string& name, int key);

// Whether the record file `dat_path` could belong to a fileblock of these
// records and keys. Opening one whose header says otherwise is a serious
// failure that stops the program, so a reader that can do without the file
// looks first. A missing or short file passes: opening creates or rebuilds it.
bool RecordFileFits(OsFileSystem& fs, const std::string& dat_path, int record_length, int key_count);

}  // namespace vek::store
