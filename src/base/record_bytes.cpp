#include "base/record_bytes.h"

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vek {

std::uint32_t WidthOfKind(FieldKind kind) {
  switch (kind) {
    case FieldKind::kChar:
    case FieldKind::kU8: return 1;
    case FieldKind::kI16:
    case FieldKind::kU16: return 2;
    case FieldKind::kI32:
    case FieldKind::kU32:
    case FieldKind::kF32: return 4;
    case FieldKind::kText:
    case FieldKind::kRaw: return 0;
  }
  return 0;
}

void CheckFieldInside(std::size_t record_size, std::size_t offset, std::size_t width) {
  if (offset > record_size || width > record_size - offset) {
    std::fprintf(stderr, "internal error: field at %zu width %zu outside a record of %zu bytes\n", offset,
                 width, record_size);
    std::abort();
  }
}

namespace {

std::uint32_t LoadLe(ConstBytes rec, std::size_t offset, std::size_t n) {
  CheckFieldInside(rec.size(), offset, n);
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < n; ++i) v |= static_cast<std::uint32_t>(rec[offset + i]) << (8 * i);
  return v;
}

void StoreLe(Bytes rec, std::size_t offset, std::size_t n, std::uint32_t v) {
  CheckFieldInside(rec.size(), offset, n);
  for (std::size_t i = 0; i < n; ++i) rec[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

Text GetText(ConstBytes rec, std::size_t offset, std::size_t width) {
  CheckFieldInside(rec.size(), offset, width);
  if (width == 0) return {};
  std::size_t len = rec[offset];
  if (len > width - 1) len = width - 1;
  return Text(reinterpret_cast<const char*>(rec.data() + offset + 1), len);
}

void PutText(Bytes rec, std::size_t offset, std::size_t width, std::string_view text) {
  CheckFieldInside(rec.size(), offset, width);
  if (width == 0) return;
  const std::size_t len = text.size() < width - 1 ? text.size() : width - 1;
  rec[offset] = static_cast<std::uint8_t>(len);
  if (len) std::memcpy(rec.data() + offset + 1, text.data(), len);
  std::memset(rec.data() + offset + 1 + len, 0, width - 1 - len);
}

std::uint8_t GetU8(ConstBytes rec, std::size_t offset) { return static_cast<std::uint8_t>(LoadLe(rec, offset, 1)); }
std::int16_t GetI16(ConstBytes rec, std::size_t offset) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(LoadLe(rec, offset, 2)));
}
std::uint16_t GetU16(ConstBytes rec, std::size_t offset) { return static_cast<std::uint16_t>(LoadLe(rec, offset, 2)); }
std::int32_t GetI32(ConstBytes rec, std::size_t offset) { return static_cast<std::int32_t>(LoadLe(rec, offset, 4)); }
std::uint32_t GetU32(ConstBytes rec, std::size_t offset) { return LoadLe(rec, offset, 4); }
float GetF32(ConstBytes rec, std::size_t offset) { return std::bit_cast<float>(LoadLe(rec, offset, 4)); }

void PutU8(Bytes rec, std::size_t offset, std::uint8_t v) { StoreLe(rec, offset, 1, v); }
void PutI16(Bytes rec, std::size_t offset, std::int16_t v) {
  StoreLe(rec, offset, 2, static_cast<std::uint16_t>(v));
}
void PutU16(Bytes rec, std::size_t offset, std::uint16_t v) { StoreLe(rec, offset, 2, v); }
void PutI32(Bytes rec, std::size_t offset, std::int32_t v) { StoreLe(rec, offset, 4, static_cast<std::uint32_t>(v)); }
void PutU32(Bytes rec, std::size_t offset, std::uint32_t v) { StoreLe(rec, offset, 4, v); }
void PutF32(Bytes rec, std::size_t offset, float v) { StoreLe(rec, offset, 4, std::bit_cast<std::uint32_t>(v)); }

namespace {
[[noreturn]] void WrongKind(const FieldSpec& f) {
  std::fprintf(stderr, "internal error: field %.*s used with the wrong kind\n", static_cast<int>(f.name.size()),
               f.name.data());
  std::abort();
}
}  // namespace

Text GetText(ConstBytes rec, const FieldSpec& f) {
  if (f.kind != FieldKind::kText) WrongKind(f);
  return GetText(rec, f.offset, f.width);
}

void PutText(Bytes rec, const FieldSpec& f, std::string_view text) {
  if (f.kind != FieldKind::kText) WrongKind(f);
  PutText(rec, f.offset, f.width, text);
}

std::int64_t GetInteger(ConstBytes rec, const FieldSpec& f) {
  switch (f.kind) {
    case FieldKind::kChar:
    case FieldKind::kU8: return GetU8(rec, f.offset);
    case FieldKind::kI16: return GetI16(rec, f.offset);
    case FieldKind::kU16: return GetU16(rec, f.offset);
    case FieldKind::kI32: return GetI32(rec, f.offset);
    case FieldKind::kU32: return GetU32(rec, f.offset);
    default: WrongKind(f);
  }
}

void PutInteger(Bytes rec, const FieldSpec& f, std::int64_t v) {
  switch (f.kind) {
    case FieldKind::kChar:
    case FieldKind::kU8: return PutU8(rec, f.offset, static_cast<std::uint8_t>(v));
    case FieldKind::kI16: return PutI16(rec, f.offset, static_cast<std::int16_t>(v));
    case FieldKind::kU16: return PutU16(rec, f.offset, static_cast<std::uint16_t>(v));
    case FieldKind::kI32: return PutI32(rec, f.offset, static_cast<std::int32_t>(v));
    case FieldKind::kU32: return PutU32(rec, f.offset, static_cast<std::uint32_t>(v));
    default: WrongKind(f);
  }
}

}  // namespace vek
