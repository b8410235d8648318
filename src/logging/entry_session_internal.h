// What the entry session's files share: the rows of exchange fields and
// small helpers over the log's buffer and the suite's files.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "base/record_bytes.h"
#include "logging/entry_session.h"
#include "store/file_manager.h"

namespace vek::entry_detail {

using F = EntryFieldId;
inline constexpr F kSentRow[4] = {F::eRSTs1, F::eRSTs2, F::eRSTs3, F::eRSTs4};
inline constexpr F kRcvdRow[4] = {F::eRSTr1, F::eRSTr2, F::eRSTr3, F::eRSTr4};

// Names in the suite's older files are in the DOS code page.
inline Text FixCodePage(Text name) {
  for (char& c : name) {
    switch (static_cast<unsigned char>(c)) {
      case 129: c = '\xFC'; break;
      case 132: c = '\xE4'; break;
      case 142: c = '\xC4'; break;
      case 148: c = '\xF6'; break;
      case 153: c = '\xD6'; break;
      case 154: c = '\xDC'; break;
      case 225: c = '\xDF'; break;
      case 251: c = 'Y'; break;
      default: break;
    }
  }
  return name;
}

// Keeps the log's buffer for the caller while a search walks the log.
class KeepBuffer {
 public:
  KeepBuffer(store::FileManager& fm, store::FileBlock* fb) : b_(fm.RecordBuffer(fb)), copy_(b_.begin(), b_.end()) {}
  ~KeepBuffer() { std::copy(copy_.begin(), copy_.end(), b_.begin()); }

 private:
  Bytes b_;
  std::vector<std::uint8_t> copy_;
};

inline std::string ReadWholeFile(store::OsFileSystem& fs, const std::string& path) {
  std::int32_t error = 0;
  auto f = fs.Open(path, false, error);
  if (!f) return {};
  std::uint64_t size = 0;
  if (f->Size(size) != 0) return {};
  std::string out(static_cast<std::size_t>(size), '\0');
  const auto got = f->ReadAt(0, std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(out.data()), out.size()));
  out.resize(got.bytes);
  return out;
}

}  // namespace vek::entry_detail
