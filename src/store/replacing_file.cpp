#include "store/replacing_file.h"

#include <span>

#include "store/store_errors.h"

namespace vek::store {

ReplacingFile::ReplacingFile(OsFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}

ReplacingFile::~ReplacingFile() {
  if (!committed_) Abandon();
}

bool ReplacingFile::Open() {
  // A work file left by a crash of an earlier run holds nothing of value.
  fs_.Remove(work_path());
  file_ = fs_.Open(work_path(), true, error_);
  if (!file_ && error_ == 0) error_ = kOsFailure;
  return file_ != nullptr;
}

bool ReplacingFile::Write(std::string_view bytes) {
  if (!file_ || error_ != 0) return false;
  const auto data =
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  const IoResult r = file_->WriteAt(size_, data);
  size_ += r.bytes;
  if (r.error != 0 || r.bytes != bytes.size()) {
    error_ = r.error != 0 ? r.error : kShortWrite;
    return false;
  }
  return true;
}

bool ReplacingFile::Commit() {
  if (!file_ || error_ != 0) {
    Abandon();
    return false;
  }
  const std::int32_t synced = file_->Sync();
  file_.reset();
  if (synced != 0) {
    error_ = synced;
    Abandon();
    return false;
  }
  const std::int32_t renamed = fs_.Rename(work_path(), path_);
  if (renamed != 0) {
    error_ = renamed;
    Abandon();
    return false;
  }
  committed_ = true;
  return true;
}

void ReplacingFile::Abandon() {
  const bool existed = file_ != nullptr || error_ != 0;
  file_.reset();
  if (existed || fs_.Exists(work_path())) fs_.Remove(work_path());
}

std::int32_t ReplaceFileContents(OsFileSystem& fs, const std::string& path, std::string_view bytes) {
  ReplacingFile f(fs, path);
  if (!f.Open() || !f.Write(bytes) || !f.Commit()) return f.error() != 0 ? f.error() : kOsFailure;
  return 0;
}

}  // namespace vek::store
