#include "store/os_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "store/store_errors.h"

namespace vek::store {
namespace {

std::string ParentOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::int32_t ErrorOf(int e, const std::string& path) {
  switch (e) {
    case ENOENT: {
      struct stat st;
      return ::stat(ParentOf(path).c_str(), &st) == 0 ? kFileNotFound : kPathNotFound;
    }
    case ENOTDIR: return kPathNotFound;
    case EMFILE:
    case ENFILE: return kTooManyOpenFiles;
    case EBADF: return kInvalidHandle;
    case ENOSPC:
    case EDQUOT: return kShortWrite;
    case EAGAIN:
    case EBUSY: return kLocked;
    case ENOMEDIUM:
    case ENXIO: return kDriveNotReady;
    default: return kOsFailure;  // EACCES, EPERM, EROFS, EIO ...
  }
}

class PosixFile final : public OsFile {
 public:
  PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFile() override { ::close(fd_); }

  IoResult ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    IoResult r;
    while (r.bytes < out.size()) {
      const ssize_t n = ::pread(fd_, out.data() + r.bytes, out.size() - r.bytes, static_cast<off_t>(offset + r.bytes));
      if (n < 0) {
        if (errno == EINTR) continue;
        r.error = ErrorOf(errno, path_);
        return r;
      }
      if (n == 0) break;
      r.bytes += static_cast<std::size_t>(n);
    }
    return r;
  }

  IoResult WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    IoResult r;
    while (r.bytes < data.size()) {
      const ssize_t n =
          ::pwrite(fd_, data.data() + r.bytes, data.size() - r.bytes, static_cast<off_t>(offset + r.bytes));
      if (n < 0) {
        if (errno == EINTR) continue;
        r.error = ErrorOf(errno, path_);
        return r;
      }
      if (n == 0) {
        r.error = kShortWrite;
        return r;
      }
      r.bytes += static_cast<std::size_t>(n);
    }
    return r;
  }

  std::int32_t Size(std::uint64_t& size) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return ErrorOf(errno, path_);
    size = static_cast<std::uint64_t>(st.st_size);
    return 0;
  }

  std::int32_t Sync() override {
    if (::fdatasync(fd_) != 0) return ErrorOf(errno, path_);
    return 0;
  }

  // Open-file-description locks: they belong to this open file, not to the
  // process, so a second open of the same file (another program, or another
  // fileblock in this one) conflicts as it should.
  std::int32_t Lock() override {
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    if (::fcntl(fd_, F_OFD_SETLK, &fl) != 0) {
      return (errno == EAGAIN || errno == EACCES) ? kLocked : ErrorOf(errno, path_);
    }
    return 0;
  }

  void Unlock() override {
    struct flock fl = {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    ::fcntl(fd_, F_OFD_SETLK, &fl);
  }

  std::int32_t LockRange(std::uint64_t offset, bool exclusive) override {
    struct flock fl = {};
    fl.l_type = exclusive ? F_WRLCK : F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = 1;
    if (::fcntl(fd_, F_OFD_SETLK, &fl) != 0) {
      return (errno == EAGAIN || errno == EACCES) ? kLocked : ErrorOf(errno, path_);
    }
    return 0;
  }

  void UnlockRange(std::uint64_t offset) override {
    struct flock fl = {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = 1;
    ::fcntl(fd_, F_OFD_SETLK, &fl);
  }

 private:
  int fd_;
  std::string path_;
};

class PosixFileSystem final : public OsFileSystem {
 public:
  std::unique_ptr<OsFile> Open(const std::string& path, bool create, std::int32_t& error) override {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0644);
    if (fd < 0) {
      error = ErrorOf(errno, path);
      return nullptr;
    }
    error = 0;
    return std::make_unique<PosixFile>(fd, path);
  }

  bool Exists(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
  }

  std::optional<FileStamp> Stamp(const std::string& path) override {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    const auto ns = [](const timespec& t) {
      return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
    };
    return FileStamp{static_cast<std::uint64_t>(st.st_size), ns(st.st_mtim), ns(st.st_ctim),
                     static_cast<std::uint64_t>(st.st_ino) ^ (static_cast<std::uint64_t>(st.st_dev) << 40)};
  }

  std::int32_t Remove(const std::string& path) override {
    if (::unlink(path.c_str()) != 0) return ErrorOf(errno, path);
    return 0;
  }

  std::int32_t Rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return ErrorOf(errno, from);
    SyncDirectoryOf(to);
    return 0;
  }

  std::int32_t Append(const std::string& path, const std::string& text) override {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return ErrorOf(errno, path);
    std::size_t done = 0;
    std::int32_t error = 0;
    while (done < text.size()) {
      const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error = n < 0 ? ErrorOf(errno, path) : kShortWrite;
        break;
      }
      done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return error;
  }

 private:
  // A rename is only durable once the folder that holds the name is.
  static void SyncDirectoryOf(const std::string& path) {
    const int fd = ::open(ParentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
  }
};

}  // namespace

OsFileSystem& RealFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

std::string ReadWholeFile(OsFileSystem& fs, const std::string& path) {
  std::int32_t error = 0;
  auto f = fs.Open(path, false, error);
  if (!f) return {};
  std::uint64_t size = 0;
  if (f->Size(size) != 0) return {};
  std::string out(static_cast<std::size_t>(size), '\0');
  const IoResult got = f->ReadAt(0, std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(out.data()), out.size()));
  out.resize(got.bytes);
  return out;
}

}  // namespace vek::store
