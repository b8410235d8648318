// OsFile is the only code of the program that opens, reads, writes, locks,
// renames or deletes files. Everything else goes through these interfaces,
// so tests can put a file system underneath that fails on purpose.
//
// Errors come back as store error numbers (store_errors.h), never as
// exceptions.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace vek::store {

struct IoResult {
  std::int32_t error = 0;  // store error number, 0 when the call itself worked
  std::size_t bytes = 0;   // bytes read or written; fewer than asked at the end of a file
};

class OsFile {
 public:
  virtual ~OsFile() = default;
  virtual IoResult ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
  virtual IoResult WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) = 0;
  virtual std::int32_t Size(std::uint64_t& size) = 0;
  // Makes everything written so far durable (fdatasync).
  virtual std::int32_t Sync() = 0;
  // Exclusive lock for the duration of one changing operation; another
  // program holding it gives kLocked at once (the caller retries). Readers
  // never lock, so they are never blocked.
  virtual std::int32_t Lock() = 0;
  virtual void Unlock() = 0;
  // A shared or exclusive lock on the one byte at `offset` (the byte need
  // not exist), owned by this open file: two opens of one file conflict even
  // inside one process, and a process that dies loses its locks. A conflict
  // gives kLocked at once; taking a range this file holds changes its kind.
  virtual std::int32_t LockRange(std::uint64_t offset, bool exclusive) = 0;
  virtual void UnlockRange(std::uint64_t offset) = 0;
};

// What tells one state of a file from another without reading it: a
// program that writes the file changes its size or its change time.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t modified_ns = 0, changed_ns = 0;
  std::uint64_t identity = 0;  // the file itself (its inode): a file put in its place differs
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

class OsFileSystem {
 public:
  virtual ~OsFileSystem() = default;
  // Nothing when the file is missing or the file system cannot tell.
  virtual std::optional<FileStamp> Stamp(const std::string& path) {
    (void)path;
    return std::nullopt;
  }
  // Opens for reading and writing; `create` makes a missing file (empty).
  virtual std::unique_ptr<OsFile> Open(const std::string& path, bool create, std::int32_t& error) = 0;
  virtual bool Exists(const std::string& path) = 0;
  virtual std::int32_t Remove(const std::string& path) = 0;
  // Replaces `to` when it exists.
  virtual std::int32_t Rename(const std::string& from, const std::string& to) = 0;
  // Appends text to a file, creating it when missing (error logs, reports).
  virtual std::int32_t Append(const std::string& path, const std::string& text) = 0;
};

// The real file system of the machine.
OsFileSystem& RealFileSystem();

// A whole (small) file as text; empty when it is missing or unreadable.
std::string ReadWholeFile(OsFileSystem& fs, const std::string& path);

}  // namespace vek::store
