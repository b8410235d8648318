#include "store/disk_format.h"

#include "base/record_bytes.h"

namespace vek::store {

void EncodeDatHeader(const DatHeader& h, std::span<std::uint8_t, kDatHeaderSize> out) {
  PutI32(out, 0, h.first_deleted);
  PutI32(out, 4, h.deleted_count);
  PutI32(out, 8, h.highest);
  PutI32(out, 12, h.record_length);
  PutI32(out, 16, h.key_count);
  PutU8(out, 20, h.being_changed);
}

DatHeader DecodeDatHeader(std::span<const std::uint8_t, kDatHeaderSize> in) {
  return {GetI32(in, 0), GetI32(in, 4), GetI32(in, 8), GetI32(in, 12), GetI32(in, 16), GetU8(in, 20)};
}

void EncodeDescriptor(const Descriptor& d, std::span<std::uint8_t, kDescriptorSize> out) {
  PutI32(out, 0, d.first_free);
  PutI32(out, 4, d.free_count);
  PutI32(out, 8, d.page_count);
  PutI32(out, 12, d.page_size);
  PutI32(out, 16, d.root);
  PutU8(out, 20, d.duplicates);
  PutU8(out, 21, d.reserved);
  PutI32(out, 22, d.entry_count);
  PutU16(out, 26, d.entries_per_page);
}

Descriptor DecodeDescriptor(std::span<const std::uint8_t, kDescriptorSize> in) {
  Descriptor d;
  d.first_free = GetI32(in, 0);
  d.free_count = GetI32(in, 4);
  d.page_count = GetI32(in, 8);
  d.page_size = GetI32(in, 12);
  d.root = GetI32(in, 16);
  d.duplicates = GetU8(in, 20);
  d.reserved = GetU8(in, 21);
  d.entry_count = GetI32(in, 22);
  d.entries_per_page = GetU16(in, 26);
  if (d.entries_per_page == 0) d.entries_per_page = kEntriesPerPage;
  return d;
}

bool DecodePage(std::span<const std::uint8_t> in, int key_length, int entries_per_page, Page& out) {
  if (in.size() < 6) return false;
  const std::size_t m = GetU16(in, 0);
  if (m < 1 || m > static_cast<std::size_t>(entries_per_page)) return false;
  if (in.size() < PageBytesUsed(key_length, m)) return false;
  out.first_child = GetI32(in, 2);
  out.entries.resize(m);
  const std::size_t stride = static_cast<std::size_t>(key_length) + 9;
  std::size_t at = 6;
  for (Entry& e : out.entries) {
    e.record = GetI32(in, at);
    e.child = GetI32(in, at + 4);
    const std::size_t len = in[at + 8];
    if (len > static_cast<std::size_t>(key_length)) return false;
    e.key.assign(reinterpret_cast<const char*>(in.data() + at + 9), len);
    at += stride;
  }
  return true;
}

}  // namespace vek::store
