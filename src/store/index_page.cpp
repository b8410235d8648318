#include "store/index_page.h"

#include <algorithm>
#include <cstring>

namespace vek::store {

// Room for one entry over a page's, for an insert before its split.
void IndexPage::Shape(int key_length, int entries_per_page, std::size_t bytes) {
  key_length_ = key_length;
  entries_per_page_ = entries_per_page;
  stride_ = static_cast<std::size_t>(key_length) + 9;
  bytes_.resize(std::max(bytes, PageBytesUsed(key_length, static_cast<std::size_t>(entries_per_page) + 1)));
}

void IndexPage::Reset(int key_length, int entries_per_page) {
  Shape(key_length, entries_per_page, 0);
  SetSize(0);
  set_first_child(0);
}

std::span<std::uint8_t> IndexPage::Storage(int key_length, int entries_per_page, std::size_t page_size) {
  Shape(key_length, entries_per_page, page_size);
  return {bytes_.data(), page_size};
}

bool IndexPage::Accept() {
  const std::size_t m = size();
  if (m < 1 || m > static_cast<std::size_t>(entries_per_page_)) return false;
  const auto length = static_cast<std::size_t>(key_length_);
  for (std::size_t i = 0; i < m; ++i) {
    std::uint8_t* e = bytes_.data() + At(i);
    const std::size_t used = e[8];
    if (used > length) return false;
    std::memset(e + 9 + used, 0, length - used);
  }
  return true;
}

void IndexPage::Room(std::size_t entries) {
  if (At(entries) > bytes_.size()) bytes_.resize(At(entries));
}

void IndexPage::Insert(std::size_t i, std::int32_t record, std::int32_t child, std::string_view key) {
  const std::size_t n = size();
  Room(n + 1);
  std::uint8_t* e = bytes_.data() + At(i);
  std::memmove(e + stride_, e, (n - i) * stride_);
  SetSize(n + 1);
  Put32(At(i) + 4, child);
  SetRecordAndKey(i, record, key);
}

void IndexPage::Erase(std::size_t i) {
  const std::size_t n = size();
  std::uint8_t* e = bytes_.data() + At(i);
  std::memmove(e, e + stride_, (n - i - 1) * stride_);
  SetSize(n - 1);
}

void IndexPage::SetRecordAndKey(std::size_t i, std::int32_t record, std::string_view key) {
  Put32(At(i), record);
  // A key never exceeds its index's length; cut, it could not overrun the next entry.
  const std::size_t length = std::min(key.size(), static_cast<std::size_t>(key_length_));
  std::uint8_t* e = bytes_.data() + At(i);
  e[8] = static_cast<std::uint8_t>(length);
  std::memmove(e + 9, key.data(), length);
  std::memset(e + 9 + length, 0, static_cast<std::size_t>(key_length_) - length);
}

void IndexPage::MoveTailTo(std::size_t from, IndexPage& to) {
  const std::size_t n = size(), m = to.size(), moved = n - from;
  to.Room(m + moved);
  std::memcpy(to.bytes_.data() + to.At(m), bytes_.data() + At(from), moved * stride_);
  to.SetSize(m + moved);
  SetSize(from);
}

}  // namespace vek::store
