#include "logging/stored_count.h"

#include <cstdint>
#include <memory>
#include <span>

#include "base/byte_string.h"

namespace vek {
namespace {

constexpr std::string_view kMagic = "VKCNTV01";

// A file of magic, change counter, the three files' stamps, then the
// context and the count with their lengths first, then the check sum of all
// before it.
std::string Section(std::string_view bytes) {
  std::string out;
  AppendNumber(out, bytes.size(), 8);
  out += bytes;
  return out;
}

}  // namespace

// The stamps of the record file, the index and the variable tails; nothing
// without a stamp of the record file, since then nothing tells another
// program's change.
std::optional<std::string> StoredCount::FilesNow() const {
  std::string out;
  for (const char* ext : {".DAT", ".IX", ".VAR"}) {
    const std::optional<store::FileStamp> s = fm_.file_system().Stamp(log_->file_name() + ext);
    if (!s) {
      if (out.empty()) return std::nullopt;
      out += '\0';
      continue;
    }
    out += '\1';
    AppendNumber(out, s->size, 8);
    AppendNumber(out, static_cast<std::uint64_t>(s->modified_ns), 8);
    AppendNumber(out, static_cast<std::uint64_t>(s->changed_ns), 8);
    AppendNumber(out, s->identity, 8);
  }
  return out;
}

std::optional<std::string> StoredCount::Load(std::string_view context,
                                             const store::FileManager::ChangeTally& now) {
  const std::optional<std::string> files = FilesNow();
  if (!files) return std::nullopt;
  const std::string bytes = store::ReadWholeFile(fm_.file_system(), Path());
  std::string head(kMagic);
  AppendNumber(head, now.counter, 8);
  head += Section(*files);
  head += Section(context);
  // The file may hold the tail of a longer count stored before.
  ByteReader in(bytes);
  std::uint64_t length = 0, sum = 0;
  std::string image;
  if (bytes.compare(0, head.size(), head) != 0 || !in.Skip(head.size()) || !in.Number(length, 8) ||
      !in.Bytes(image, length))
    return std::nullopt;
  const std::size_t end = in.position();
  if (!in.Number(sum, 8) || sum != CheckSum64(std::string_view(bytes).substr(0, end))) return std::nullopt;
  return image;
}

bool StoredCount::Save(std::string_view context, const store::FileManager::ChangeTally& now,
                       std::string_view image) {
  const std::optional<std::string> files = FilesNow();
  if (image.empty() || !files) return false;
  std::string out(kMagic);
  AppendNumber(out, now.counter, 8);
  out += Section(*files);
  out += Section(context);
  out += Section(image);
  AppendNumber(out, CheckSum64(out), 8);
  std::int32_t error = 0;
  const std::unique_ptr<store::OsFile> file = fm_.file_system().Open(Path(), true, error);
  if (!file) return false;
  const store::IoResult r =
      file->WriteAt(0, std::span(reinterpret_cast<const std::uint8_t*>(out.data()), out.size()));
  return r.error == 0 && r.bytes == out.size();
}

void StoredCount::Forget() {
  if (fm_.file_system().Exists(Path())) fm_.file_system().Remove(Path());
}

}  // namespace vek
