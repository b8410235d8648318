// A file system in memory that fails on purpose: failed or short writes,
// short reads, lock conflicts, a path that cannot be found, and a crash after
// the n-th write. Tests, fuzz targets and benchmarks put it under the store.
//
// Crash model: every write reaches the "platter" in order (the applied
// image); independently, each file remembers what it held at its last Sync
// (the durable image). A crash freezes both; a test reopens either one.
// Renames and removals take effect in both at once, as on a journalling file
// system.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "store/os_file.h"

namespace vek::store {

class MemoryFileSystem final : public OsFileSystem {
 public:
  using Image = std::map<std::string, std::vector<std::uint8_t>>;

  MemoryFileSystem() = default;
  explicit MemoryFileSystem(const Image& image);

  std::unique_ptr<OsFile> Open(const std::string& path, bool create, std::int32_t& error) override;
  bool Exists(const std::string& path) override;
  std::optional<FileStamp> Stamp(const std::string& path) override;
  std::int32_t Remove(const std::string& path) override;
  std::int32_t Rename(const std::string& from, const std::string& to) override;
  std::int32_t Append(const std::string& path, const std::string& text) override;

  // --- faults (counted from the moment they are set) ---
  // The nth write from now fails with `error`, and so do the `count` - 1 tries after it.
  void FailWrite(int nth, std::int32_t error, int count = 1) {
    fail_write_at_ = writes_ + nth, fail_write_error_ = error, fail_write_count_ = count;
  }
  void ShortWriteAt(int nth) { short_write_at_ = writes_ + nth; }
  void ShortReads(const std::string& path) { short_read_path_ = path; }
  // The next `count` locks of `path` fail as if another program held it (-1: for ever).
  void LockConflicts(const std::string& path, int count) { lock_conflicts_[path] = count; }
  // The next `count` opens fail with "path not found".
  void PathNotFound(int count) { path_not_found_ = count; }
  void FailOpen(const std::string& path, std::int32_t error) { fail_open_[path] = error; }
  // Renames onto `target` fail with `error` (0 lets them through again).
  void FailRename(const std::string& target, std::int32_t error) { fail_rename_[target] = error; }
  // After `n` more writes nothing reaches the files any more.
  void CrashAfterWrites(std::int64_t n) { crash_at_ = writes_ + n; }
  bool crashed() const { return crashed_; }

  Image AppliedImage() const;
  Image DurableImage() const;

  // --- inspection ---
  std::int64_t reads() const { return reads_; }
  std::int64_t bytes_read() const { return bytes_read_; }
  std::int64_t writes() const { return writes_; }
  std::int64_t syncs() const { return syncs_; }
  std::vector<std::uint8_t>* Data(const std::string& path);  // nullptr when missing
  std::string Text(const std::string& path) const;

  struct RangeLock {
    const void* exclusive = nullptr;
    std::multiset<const void*> shared;
  };
  struct Node {
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> durable;
    const void* lock_holder = nullptr;
    std::map<std::uint64_t, RangeLock> ranges;
  };

 private:
  friend class MemoryFile;
  bool CountWrite(std::int32_t& error, bool& shorten);

  std::map<std::string, std::shared_ptr<Node>> files_;
  std::int64_t reads_ = 0, bytes_read_ = 0, writes_ = 0, syncs_ = 0;
  std::int64_t fail_write_at_ = -1, short_write_at_ = -1, crash_at_ = -1;
  std::int32_t fail_write_error_ = 0;
  int fail_write_count_ = 0;
  bool crashed_ = false;
  std::string short_read_path_;
  std::map<std::string, int> lock_conflicts_;
  std::map<std::string, std::int32_t> fail_open_;
  std::map<std::string, std::int32_t> fail_rename_;
  int path_not_found_ = 0;
};

}  // namespace vek::store
