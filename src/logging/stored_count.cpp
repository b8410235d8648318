#include "logging/stored_count.h"

#include <cstdint>
#include <vector>

namespace vek {
namespace {

constexpr std::string_view kMagic = "VKCNTV01";

void PutNumber(std::string& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint64_t NumberAt(std::string_view in, std::size_t at) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i)
    v |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
  return v;
}

std::uint64_t CheckSum(std::string_view bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return h;
}

// magic, change counter, the three files' stamps, then the context and the
// count with their lengths first, then the check sum of all before it.
std::string Section(std::string_view bytes) {
  std::string out;
  PutNumber(out, bytes.size());
  out += bytes;
  return out;
}

}  // namespace

// The stamps of the record file, the index and the variable tails.
std::string StoredCount::FilesNow() const {
  std::string out;
  for (const char* ext : {".DAT", ".IX", ".VAR"}) {
    const std::optional<store::FileStamp> s = fm_.file_system().Stamp(log_->file_name() + ext);
    if (!s) {
      out += '\0';
      continue;
    }
    out += '\1';
    PutNumber(out, s->size);
    PutNumber(out, static_cast<std::uint64_t>(s->modified_ns));
    PutNumber(out, static_cast<std::uint64_t>(s->changed_ns));
    PutNumber(out, s->identity);
  }
  return out;
}

std::optional<std::string> StoredCount::Load(std::string_view context,
                                             const store::FileManager::ChangeTally& now) {
  // Without a stamp of the record file nothing tells another program's change.
  if (!fm_.file_system().Stamp(log_->file_name() + ".DAT")) return std::nullopt;
  const std::string bytes = store::ReadWholeFile(fm_.file_system(), Path());
  std::string head(kMagic);
  PutNumber(head, now.counter);
  head += Section(FilesNow());
  head += Section(context);
  // The file may hold the tail of a longer count stored before.
  if (bytes.size() < head.size() + 16 || bytes.compare(0, head.size(), head) != 0) return std::nullopt;
  const std::uint64_t length = NumberAt(bytes, head.size());
  if (length > bytes.size() - head.size() - 16) return std::nullopt;
  const std::size_t end = head.size() + 8 + static_cast<std::size_t>(length);
  if (NumberAt(bytes, end) != CheckSum(std::string_view(bytes).substr(0, end))) return std::nullopt;
  return bytes.substr(head.size() + 8, static_cast<std::size_t>(length));
}

bool StoredCount::Save(std::string_view context, const store::FileManager::ChangeTally& now,
                       std::string_view image) {
  if (image.empty() || !fm_.file_system().Stamp(log_->file_name() + ".DAT")) return false;
  std::string out(kMagic);
  PutNumber(out, now.counter);
  out += Section(FilesNow());
  out += Section(context);
  out += Section(image);
  PutNumber(out, CheckSum(out));
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
