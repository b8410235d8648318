// An index page held in memory as the very bytes it has in the index file
// (see disk_format.h): a search reads the keys where they lie, a change moves
// bytes, and writing the page back writes its used bytes as they are. A pool
// of these takes well under half the memory of decoded pages, which is what
// keeps the adds to a large log near the cost of the adds to a small one.
//
// The page has room for one entry more than the index allows, so an insert
// can overflow it before it splits.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "store/disk_format.h"

namespace vek::store {

class IndexPage {
 public:
  // An empty leaf of an index with keys of `key_length` bytes and
  // `entries_per_page` entries a page; the storage is kept.
  void Reset(int key_length, int entries_per_page);
  // Room for the page's `page_size` bytes as the file holds them, to be
  // read into Storage() and then taken with Accept.
  std::span<std::uint8_t> Storage(int key_length, int entries_per_page, std::size_t page_size);
  // False when the bytes read cannot be a page of this index (count out of
  // range, a key longer than the index's). The bytes after each key's own
  // length are set to zero, as every page this program writes has them.
  bool Accept();

  std::size_t size() const {
    return static_cast<std::size_t>(bytes_[0]) | static_cast<std::size_t>(bytes_[1]) << 8;
  }
  bool empty() const { return size() == 0; }
  int key_length() const { return key_length_; }
  std::int32_t first_child() const { return Get32(2); }
  void set_first_child(std::int32_t page) { Put32(2, page); }
  bool IsLeaf() const { return first_child() == 0; }

  std::int32_t Record(std::size_t i) const { return Get32(At(i)); }
  // The subtree of the keys above entry i; 0 in a leaf.
  std::int32_t EntryChild(std::size_t i) const { return Get32(At(i) + 4); }
  std::string_view KeyAt(std::size_t i) const {
    const std::size_t at = At(i);
    return {reinterpret_cast<const char*>(bytes_.data() + at + 9), bytes_[at + 8]};
  }
  Entry EntryAt(std::size_t i) const { return Entry{Record(i), EntryChild(i), Key(KeyAt(i))}; }
  // Child i: 0 is the first child, i > 0 the child of entry i-1.
  std::int32_t Child(std::size_t i) const { return i == 0 ? first_child() : EntryChild(i - 1); }
  void SetChild(std::size_t i, std::int32_t page) { Put32(i == 0 ? 2 : At(i - 1) + 4, page); }

  // The key must fit the index's key length.
  void Insert(std::size_t i, std::int32_t record, std::int32_t child, std::string_view key);
  void Erase(std::size_t i);
  // The record and key of entry i; its child stays.
  void SetRecordAndKey(std::size_t i, std::int32_t record, std::string_view key);
  // Entries from `from` on go to the end of `to`, which has the same key length.
  void MoveTailTo(std::size_t from, IndexPage& to);
  void Truncate(std::size_t count) { SetSize(count); }

  // The bytes written back: the head and the entries, nothing after them.
  std::span<const std::uint8_t> Used() const { return {bytes_.data(), At(size())}; }

 private:
  std::size_t At(std::size_t i) const { return 6 + i * stride_; }
  void SetSize(std::size_t n) {
    bytes_[0] = static_cast<std::uint8_t>(n);
    bytes_[1] = static_cast<std::uint8_t>(n >> 8);
  }
  void Room(std::size_t entries);
  void Shape(int key_length, int entries_per_page, std::size_t bytes);
  // Inline, without the field checks of GetI32/PutI32: a search reads these
  // a dozen times a page, and the page's own size keeps every entry inside.
  std::int32_t Get32(std::size_t at) const {
    const std::uint8_t* b = bytes_.data() + at;
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
        static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
  }
  void Put32(std::size_t at, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    std::uint8_t* b = bytes_.data() + at;
    b[0] = static_cast<std::uint8_t>(u);
    b[1] = static_cast<std::uint8_t>(u >> 8);
    b[2] = static_cast<std::uint8_t>(u >> 16);
    b[3] = static_cast<std::uint8_t>(u >> 24);
  }

  std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(6, 0);
  int key_length_ = 0;
  int entries_per_page_ = 0;
  std::size_t stride_ = 9;
};

}  // namespace vek::store
