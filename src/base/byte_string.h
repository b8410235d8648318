// Numbers and texts in the byte strings of this program's own small files
// (little-endian numbers, a text with its length before it), read back
// without ever reading past the end, and the check sum such a file carries.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vek {

void AppendNumber(std::string& out, std::uint64_t v, int bytes);

class ByteReader {
 public:
  explicit ByteReader(std::string_view in) : in_(in) {}
  // Each reads on from the position; false, with nothing read, when the
  // bytes are not all there.
  bool Number(std::uint64_t& v, int bytes);
  bool Signed(std::int64_t& v);  // 8 bytes
  bool Bytes(std::string& v, std::uint64_t n);
  bool Skip(std::uint64_t n);
  std::size_t position() const { return at_; }
  bool AtEnd() const { return at_ == in_.size(); }

 private:
  std::string_view in_;
  std::size_t at_ = 0;
};

// FNV-1a, 64 bits: tells a torn or damaged file, not a forged one.
std::uint64_t CheckSum64(std::span<const std::uint8_t> bytes);
std::uint64_t CheckSum64(std::string_view bytes);

}  // namespace vek
