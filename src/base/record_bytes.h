// Typed access to fields of raw record bytes. A record is kept as the bytes
// the file holds, so whatever this program does not know survives a rewrite;
// layouts are tables of (offset, width, kind) over that block.
//
// Integers are little-endian whatever the machine. A text field of width w is
// a length byte followed by at most w-1 characters.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "base/text.h"

namespace vek {

using Bytes = std::span<std::uint8_t>;
using ConstBytes = std::span<const std::uint8_t>;

enum class FieldKind : std::uint8_t {
  kText,  // length-prefixed, width includes the length byte
  kChar,  // one byte taken as a character
  kU8,
  kI16,
  kU16,
  kI32,
  kU32,
  kF32,   // IEEE 754 single
  kRaw,   // bytes without a meaning of their own (sets, reserved areas)
};

struct FieldSpec {
  std::string_view name;
  std::uint32_t offset;
  std::uint32_t width;
  FieldKind kind;
};

// The natural width of a fixed-size kind (0 for kText and kRaw).
std::uint32_t WidthOfKind(FieldKind kind);

// A field that lies outside the record is a fault in a layout table, not in a
// file; it stops the program with a message naming the place.
void CheckFieldInside(std::size_t record_size, std::size_t offset, std::size_t width);

// A length byte beyond w-1 (a damaged or foreign record) is read as w-1, so a
// read never leaves the field.
Text GetText(ConstBytes rec, std::size_t offset, std::size_t width);
// Cuts to w-1 characters and zeroes the unused rest of the field.
void PutText(Bytes rec, std::size_t offset, std::size_t width, std::string_view text);

std::uint8_t GetU8(ConstBytes rec, std::size_t offset);
std::int16_t GetI16(ConstBytes rec, std::size_t offset);
std::uint16_t GetU16(ConstBytes rec, std::size_t offset);
std::int32_t GetI32(ConstBytes rec, std::size_t offset);
std::uint32_t GetU32(ConstBytes rec, std::size_t offset);
float GetF32(ConstBytes rec, std::size_t offset);

void PutU8(Bytes rec, std::size_t offset, std::uint8_t v);
void PutI16(Bytes rec, std::size_t offset, std::int16_t v);
void PutU16(Bytes rec, std::size_t offset, std::uint16_t v);
void PutI32(Bytes rec, std::size_t offset, std::int32_t v);
void PutU32(Bytes rec, std::size_t offset, std::uint32_t v);
void PutF32(Bytes rec, std::size_t offset, float v);

// Field access by layout entry; the kind must match the accessor.
Text GetText(ConstBytes rec, const FieldSpec& f);
void PutText(Bytes rec, const FieldSpec& f, std::string_view text);
std::int64_t GetInteger(ConstBytes rec, const FieldSpec& f);  // kChar, kU8, kI16, kU16, kI32, kU32
void PutInteger(Bytes rec, const FieldSpec& f, std::int64_t v);

}  // namespace vek
