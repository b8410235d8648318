// The machine's file system (or another under it) with a count of the syncs
// (fdatasync), reads and writes the store asks for, so that a benchmark
// reports what an operation waits for and how much it asks of the disk; on
// request it also notes each read and write, to be replayed without the store.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/os_file.h"

namespace vek::bench {

class CountingFileSystem final : public store::OsFileSystem {
 public:
  explicit CountingFileSystem(store::OsFileSystem& under = store::RealFileSystem()) : real_(under) {}

  // One read, write or sync the store asked for: the file by its place in paths().
  enum class Kind : std::uint8_t { kRead, kWrite, kSync };
  struct Transfer {
    std::size_t file;
    std::uint64_t offset;
    std::uint32_t bytes;
    Kind kind;
  };
  void NoteTransfers(bool on) { noting_ = on; }
  const std::vector<Transfer>& transfers() const { return transfers_; }
  const std::vector<std::string>& paths() const { return paths_; }

  std::unique_ptr<store::OsFile> Open(const std::string& path, bool create, std::int32_t& error) override {
    auto file = real_.Open(path, create, error);
    if (!file) return nullptr;
    std::size_t id = 0;
    while (id < paths_.size() && paths_[id] != path) ++id;
    if (id == paths_.size()) paths_.push_back(path);
    return std::make_unique<CountingFile>(std::move(file), *this, id);
  }
  bool Exists(const std::string& path) override { return real_.Exists(path); }
  std::optional<store::FileStamp> Stamp(const std::string& path) override { return real_.Stamp(path); }
  std::int32_t Remove(const std::string& path) override { return real_.Remove(path); }
  std::int32_t Rename(const std::string& from, const std::string& to) override { return real_.Rename(from, to); }
  std::int32_t Append(const std::string& path, const std::string& text) override { return real_.Append(path, text); }

  struct Counts {
    std::int64_t syncs = 0, reads = 0, writes = 0;
  };
  std::int64_t syncs() const { return counts_.syncs; }
  const Counts& counts() const { return counts_; }

 private:
  class CountingFile final : public store::OsFile {
   public:
    CountingFile(std::unique_ptr<store::OsFile> file, CountingFileSystem& fs, std::size_t id)
        : file_(std::move(file)), fs_(fs), counts_(fs.counts_), id_(id) {}
    store::IoResult ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
      ++counts_.reads;
      fs_.Note(id_, offset, out.size(), Kind::kRead);
      return file_->ReadAt(offset, out);
    }
    store::IoResult WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
      ++counts_.writes;
      fs_.Note(id_, offset, data.size(), Kind::kWrite);
      return file_->WriteAt(offset, data);
    }
    std::int32_t Size(std::uint64_t& size) override { return file_->Size(size); }
    std::int32_t Sync() override {
      ++counts_.syncs;
      fs_.Note(id_, 0, 0, Kind::kSync);
      return file_->Sync();
    }
    std::int32_t Lock() override { return file_->Lock(); }
    void Unlock() override { file_->Unlock(); }
    std::int32_t LockRange(std::uint64_t offset, bool exclusive) override {
      return file_->LockRange(offset, exclusive);
    }
    void UnlockRange(std::uint64_t offset) override { file_->UnlockRange(offset); }

   private:
    std::unique_ptr<store::OsFile> file_;
    CountingFileSystem& fs_;
    Counts& counts_;
    std::size_t id_;
  };

  void Note(std::size_t file, std::uint64_t offset, std::size_t bytes, Kind kind) {
    if (noting_) transfers_.push_back({file, offset, static_cast<std::uint32_t>(bytes), kind});
  }

  store::OsFileSystem& real_;
  Counts counts_;
  bool noting_ = false;
  std::vector<Transfer> transfers_;
  std::vector<std::string> paths_;
};

}  // namespace vek::bench
