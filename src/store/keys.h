// Key texts: at most 50 bytes, compared as unsigned bytes over the shorter
// length, the shorter key first when one is the start of the other.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vek::store {

using Key = std::string;  // raw key bytes
constexpr std::size_t kMaxKeyLength = 50;

int CompareKeys(std::string_view a, std::string_view b);

// Five bytes that sort like the signed number; no byte is ever 0.
Key LongToKey(std::int32_t value);
// The exact inverse; a text of another length or form gives 0.
std::int32_t KeyToLong(std::string_view key);

}  // namespace vek::store
