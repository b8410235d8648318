#include "base/byte_string.h"

namespace vek {

void AppendNumber(std::string& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool ByteReader::Number(std::uint64_t& v, int bytes) {
  if (in_.size() - at_ < static_cast<std::size_t>(bytes)) return false;
  v = 0;
  for (int i = 0; i < bytes; ++i)
    v |= static_cast<std::uint64_t>(static_cast<unsigned char>(in_[at_ + static_cast<std::size_t>(i)]))
         << (8 * i);
  at_ += static_cast<std::size_t>(bytes);
  return true;
}

bool ByteReader::Signed(std::int64_t& v) {
  std::uint64_t u = 0;
  if (!Number(u, 8)) return false;
  v = static_cast<std::int64_t>(u);
  return true;
}

bool ByteReader::Bytes(std::string& v, std::uint64_t n) {
  if (in_.size() - at_ < n) return false;
  v.assign(in_.substr(at_, static_cast<std::size_t>(n)));
  at_ += static_cast<std::size_t>(n);
  return true;
}

bool ByteReader::Skip(std::uint64_t n) {
  if (in_.size() - at_ < n) return false;
  at_ += static_cast<std::size_t>(n);
  return true;
}

std::uint64_t CheckSum64(std::span<const std::uint8_t> bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return h;
}

std::uint64_t CheckSum64(std::string_view bytes) {
  return CheckSum64(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace vek
