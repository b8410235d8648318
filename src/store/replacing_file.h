// A file written through a work file beside it ("<name>.NEU") that replaces
// the file under its name only once everything was written and made
// durable: a full disk, a failed write or a crash never leaves half a file
// under the name the person chose, and an older file of that name survives
// every failure.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "store/os_file.h"

namespace vek::store {

class ReplacingFile {
 public:
  ReplacingFile(OsFileSystem& fs, std::string path);
  ~ReplacingFile();  // a work file not committed is removed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Creates the (empty) work file; false when the folder does not take it.
  bool Open();
  // Appends; false once anything failed (the first error is kept).
  bool Write(std::string_view bytes);
  // Syncs the work file and renames it over the target. False, with the
  // target untouched and the work file gone, when that fails.
  bool Commit();
  // Drops what was written; the target stays as it was.
  void Abandon();

  std::int32_t error() const { return error_; }
  std::uint64_t size() const { return size_; }
  const std::string& path() const { return path_; }
  std::string work_path() const { return path_ + ".NEU"; }

 private:
  OsFileSystem& fs_;
  std::string path_;
  std::unique_ptr<OsFile> file_;
  std::uint64_t size_ = 0;
  std::int32_t error_ = 0;
  bool committed_ = false;
};

// The whole text written to `path` in one replacement; the store error, 0 when it worked.
std::int32_t ReplaceFileContents(OsFileSystem& fs, const std::string& path, std::string_view bytes);

}  // namespace vek::store
