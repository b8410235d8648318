#include "store/memory_file_system.h"

#include <algorithm>

#include "base/byte_string.h"
#include "store/store_errors.h"

namespace vek::store {

class MemoryFile final : public OsFile {
 public:
  MemoryFile(MemoryFileSystem* fs, std::string path, std::shared_ptr<MemoryFileSystem::Node> node)
      : fs_(fs), path_(std::move(path)), node_(std::move(node)) {}
  ~MemoryFile() override {
    Unlock();
    for (auto& [offset, range] : node_->ranges) {
      if (range.exclusive == this) range.exclusive = nullptr;
      range.shared.erase(this);
    }
  }

  IoResult ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    ++fs_->reads_;
    IoResult r;
    const auto& d = node_->data;
    if (offset >= d.size()) return r;
    std::size_t n = std::min<std::size_t>(out.size(), d.size() - offset);
    if (!fs_->short_read_path_.empty() && fs_->short_read_path_ == path_) n /= 2;
    std::copy_n(d.begin() + static_cast<std::ptrdiff_t>(offset), n, out.begin());
    r.bytes = n;
    fs_->bytes_read_ += static_cast<std::int64_t>(n);
    return r;
  }

  IoResult WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    IoResult r;
    bool shorten = false;
    if (!fs_->CountWrite(r.error, shorten)) return r;
    if (fs_->crashed_) {  // after the crash nothing lands, but the program cannot tell
      r.bytes = data.size();
      return r;
    }
    const std::size_t n = shorten ? data.size() / 2 : data.size();
    auto& d = node_->data;
    if (d.size() < offset + n) d.resize(offset + n, 0);
    std::copy_n(data.begin(), n, d.begin() + static_cast<std::ptrdiff_t>(offset));
    r.bytes = n;
    if (shorten) r.error = kShortWrite;
    return r;
  }

  std::int32_t Size(std::uint64_t& size) override {
    size = node_->data.size();
    return 0;
  }

  std::int32_t Sync() override {
    ++fs_->syncs_;
    if (!fs_->crashed_) node_->durable = node_->data;
    return 0;
  }

  std::int32_t Lock() override {
    auto it = fs_->lock_conflicts_.find(path_);
    if (it != fs_->lock_conflicts_.end() && it->second != 0) {
      if (it->second > 0) --it->second;
      return kLocked;
    }
    if (node_->lock_holder && node_->lock_holder != this) return kLocked;
    node_->lock_holder = this;
    return 0;
  }

  void Unlock() override {
    if (node_->lock_holder == this) node_->lock_holder = nullptr;
  }

  std::int32_t LockRange(std::uint64_t offset, bool exclusive) override {
    auto it = fs_->lock_conflicts_.find(path_);
    if (it != fs_->lock_conflicts_.end() && it->second != 0) {
      if (it->second > 0) --it->second;
      return kLocked;
    }
    MemoryFileSystem::RangeLock& range = node_->ranges[offset];
    const bool others_share = range.shared.size() > range.shared.count(this);
    if (range.exclusive && range.exclusive != this) return kLocked;
    if (exclusive && others_share) return kLocked;
    range.shared.erase(this);
    range.exclusive = nullptr;
    if (exclusive)
      range.exclusive = this;
    else
      range.shared.insert(this);
    return 0;
  }

  void UnlockRange(std::uint64_t offset) override {
    auto it = node_->ranges.find(offset);
    if (it == node_->ranges.end()) return;
    if (it->second.exclusive == this) it->second.exclusive = nullptr;
    it->second.shared.erase(this);
  }

 private:
  MemoryFileSystem* fs_;
  std::string path_;
  std::shared_ptr<MemoryFileSystem::Node> node_;
};

MemoryFileSystem::MemoryFileSystem(const Image& image) {
  for (const auto& [path, data] : image) {
    auto node = std::make_shared<Node>();
    node->data = data;
    node->durable = data;
    files_[path] = node;
  }
}

bool MemoryFileSystem::CountWrite(std::int32_t& error, bool& shorten) {
  const std::int64_t n = writes_++;
  if (crash_at_ >= 0 && n >= crash_at_) crashed_ = true;
  if (fail_write_at_ >= 0 && n >= fail_write_at_ && n < fail_write_at_ + fail_write_count_) {
    error = fail_write_error_;
    return false;
  }
  shorten = n == short_write_at_;
  return true;
}

std::unique_ptr<OsFile> MemoryFileSystem::Open(const std::string& path, bool create, std::int32_t& error) {
  error = 0;
  if (path_not_found_ > 0) {
    --path_not_found_;
    error = kPathNotFound;
    return nullptr;
  }
  if (auto f = fail_open_.find(path); f != fail_open_.end() && f->second != 0) {
    error = f->second;
    return nullptr;
  }
  auto it = files_.find(path);
  if (it == files_.end()) {
    if (!create) {
      error = kFileNotFound;
      return nullptr;
    }
    if (crashed_) {  // the file appears to be there, but only in the program's mind
      return std::make_unique<MemoryFile>(this, path, std::make_shared<Node>());
    }
    it = files_.emplace(path, std::make_shared<Node>()).first;
  }
  return std::make_unique<MemoryFile>(this, path, it->second);
}

bool MemoryFileSystem::Exists(const std::string& path) { return files_.count(path) != 0; }

// A hash of the bytes stands for the change time: tests change files behind
// the store's back through Data(), and such a change must show.
std::optional<FileStamp> MemoryFileSystem::Stamp(const std::string& path) {
  const auto it = files_.find(path);
  if (it == files_.end()) return std::nullopt;
  const std::uint64_t h = CheckSum64(it->second->data);
  return FileStamp{it->second->data.size(), static_cast<std::int64_t>(h), 0,
                   reinterpret_cast<std::uintptr_t>(it->second.get())};
}

std::int32_t MemoryFileSystem::Remove(const std::string& path) {
  if (crashed_) return 0;
  return files_.erase(path) ? 0 : kFileNotFound;
}

std::int32_t MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
  if (crashed_) return 0;
  if (auto f = fail_rename_.find(to); f != fail_rename_.end() && f->second != 0) return f->second;
  auto it = files_.find(from);
  if (it == files_.end()) return kFileNotFound;
  auto node = it->second;
  files_.erase(it);
  files_[to] = node;
  return 0;
}

std::int32_t MemoryFileSystem::Append(const std::string& path, const std::string& text) {
  if (crashed_) return 0;
  auto& node = files_[path];
  if (!node) node = std::make_shared<Node>();
  node->data.insert(node->data.end(), text.begin(), text.end());
  node->durable = node->data;
  return 0;
}

MemoryFileSystem::Image MemoryFileSystem::AppliedImage() const {
  Image image;
  for (const auto& [path, node] : files_) image[path] = node->data;
  return image;
}

MemoryFileSystem::Image MemoryFileSystem::DurableImage() const {
  Image image;
  for (const auto& [path, node] : files_) image[path] = node->durable;
  return image;
}

std::vector<std::uint8_t>* MemoryFileSystem::Data(const std::string& path) {
  auto it = files_.find(path);
  return it == files_.end() ? nullptr : &it->second->data;
}

std::string MemoryFileSystem::Text(const std::string& path) const {
  auto it = files_.find(path);
  if (it == files_.end()) return {};
  return std::string(it->second->data.begin(), it->second->data.end());
}

}  // namespace vek::store
