// The byte layout of the record file (.DAT) and the index file (.IX) that
// the suite's programs share. All integers little-endian, record and page
// numbers signed 32-bit.
//
// Record file: slot 0 is the header, slot n (n >= 1) is record n.
// Index file: slot 0 holds one 28-byte descriptor per key, at the key's
// offset; slot p holds page p of every index. A key of length K with E
// entries a page has pages of 6 + E*(K+9) bytes.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "store/keys.h"

namespace vek::store {

constexpr int kMinRecordLength = 21;
constexpr int kMaxKeys = 110;
constexpr int kEntriesPerPage = 62;
constexpr std::int32_t kNoLink = -1;

struct DatHeader {
  std::int32_t first_deleted = kNoLink;
  std::int32_t deleted_count = 0;
  std::int32_t highest = 0;
  std::int32_t record_length = 0;
  std::int32_t key_count = 0;
  std::uint8_t being_changed = 0;
};
constexpr std::size_t kDatHeaderSize = 21;
void EncodeDatHeader(const DatHeader& h, std::span<std::uint8_t, kDatHeaderSize> out);
DatHeader DecodeDatHeader(std::span<const std::uint8_t, kDatHeaderSize> in);

struct Descriptor {
  std::int32_t first_free = kNoLink;
  std::int32_t free_count = 0;
  std::int32_t page_count = 0;
  std::int32_t page_size = 0;
  std::int32_t root = 0;
  std::uint8_t duplicates = 0;
  std::uint8_t reserved = 0;
  std::int32_t entry_count = 0;
  std::uint16_t entries_per_page = kEntriesPerPage;  // a stored 0 is read as 62
};
constexpr std::size_t kDescriptorSize = 28;
void EncodeDescriptor(const Descriptor& d, std::span<std::uint8_t, kDescriptorSize> out);
Descriptor DecodeDescriptor(std::span<const std::uint8_t, kDescriptorSize> in);

constexpr std::int32_t PageSize(int key_length, int entries_per_page = kEntriesPerPage) {
  return 6 + entries_per_page * (key_length + 9);
}

struct Entry {
  std::int32_t record = 0;
  std::int32_t child = 0;  // subtree of the keys above this entry; 0 in a leaf
  Key key;
};

// A page taken apart, for the checks that read a whole index file; the page
// pool holds pages as their bytes (index_page.h).
struct Page {
  std::int32_t first_child = 0;  // subtree of the keys below the first entry; 0 in a leaf
  std::vector<Entry> entries;
  // Child i: 0 is the first child, i > 0 the child of entry i-1.
  std::int32_t Child(std::size_t i) const { return i == 0 ? first_child : entries[i - 1].child; }
};

// Bytes a page with m entries occupies on disk: only these are written.
constexpr std::size_t PageBytesUsed(int key_length, std::size_t entries) {
  return 6 + entries * static_cast<std::size_t>(key_length + 9);
}
// False when the bytes cannot be a page of this index (count out of range,
// key length beyond the key's).
bool DecodePage(std::span<const std::uint8_t> in, int key_length, int entries_per_page, Page& out);

}  // namespace vek::store
