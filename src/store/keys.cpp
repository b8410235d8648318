#include "store/keys.h"

#include <cstring>

namespace vek::store {

int CompareKeys(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  if (n) {
    const int c = std::memcmp(a.data(), b.data(), n);  // memcmp compares unsigned bytes
    if (c) return c < 0 ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

Key LongToKey(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  Key k(5, '\0');
  k[0] = static_cast<char>(((((v >> 28) & 0xF) ^ 0x8) << 4) | 0x1);
  k[1] = static_cast<char>(0x80 | ((v >> 21) & 0x7F));
  k[2] = static_cast<char>(0x80 | ((v >> 14) & 0x7F));
  k[3] = static_cast<char>(0x80 | ((v >> 7) & 0x7F));
  k[4] = static_cast<char>(0x80 | (v & 0x7F));
  return k;
}

std::int32_t KeyToLong(std::string_view key) {
  if (key.size() != 5) return 0;
  const auto b = [&](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(key[i])); };
  const std::uint32_t v = ((((b(0) >> 4) ^ 0x8) & 0xF) << 28) | ((b(1) & 0x7F) << 21) | ((b(2) & 0x7F) << 14) |
                          ((b(3) & 0x7F) << 7) | (b(4) & 0x7F);
  return static_cast<std::int32_t>(v);
}

}  // namespace vek::store
