#include "logging/qso_record.h"

#include <algorithm>
#include <cstdio>

#include "refdata/modes.h"
#include "store/keys.h"

namespace vek::qso {
namespace {

// Dates and times sort as unsigned 32-bit values, most significant byte
// first: records without a date (-1) come last.
std::string Be32(std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  return {static_cast<char>(u >> 24), static_cast<char>((u >> 16) & 0xFF), static_cast<char>((u >> 8) & 0xFF),
          static_cast<char>(u & 0xFF)};
}

Text Pad(ConstBytes r, const FieldSpec& f, std::size_t width) { return PadRight(GetText(r, f), width); }

}  // namespace

store::Key BuildQsoKey(ConstBytes r, int key, const SuffixTable& suffixes) {
  const std::string band(1, static_cast<char>(GetU8(r, kBand.offset)));
  // Made only for the keys that hold them: a rebuild makes every key of every contact.
  auto when = [&] { return Be32(GetI32(r, kDate.offset)) + Be32(GetI32(r, kTime.offset)); };
  auto base_call = [&] { return PadRight(CallSignPart(GetText(r, kCall), true, suffixes), 14); };
  auto dok = [&] { return PadRight(Cut(GetText(r, kDokHead) + GetText(r, kDokTail), 8), 8); };
  const char class1 = static_cast<char>(GetU8(r, kClass1.offset));
  const char class2 = static_cast<char>(GetU8(r, kClass2.offset));
  store::Key k;
  switch (key) {
    case 1: k = when(); break;
    case 2: k = base_call() + when(); break;
    case 3: k = Pad(r, kLocator, 6) + when(); break;
    case 4: k = store::LongToKey(GetI32(r, kEntryNo.offset)); break;
    case 5: k = Pad(r, kCountryPrefix, 6); break;
    case 6: k = base_call(); break;
    case 7: k = GetU8(r, kRowMark.offset) == 1 ? "1" : " "; break;
    case 8: k = band + store::LongToKey(GetI32(r, kBandNoB.offset)); break;
    case 9: k = band + base_call() + Pad(r, kMode, 6); break;
    case 10: k = band + Pad(r, kCountryPrefix, 6); break;
    case 11: k = band + store::LongToKey(99999999 - GetI32(r, kBandNoA.offset)); break;
    case 12: k = band + store::LongToKey(99999999 - GetI32(r, kBandNoB.offset)); break;
    case 13: k = store::LongToKey(GetI32(r, kSerialNo.offset)); break;
    case 14: k = band + class1; break;
    case 15: k = band + class2; break;
    case 16: k = std::string{class1, class2}; break;
    case 17: k = band + ((class1 == 0 && class2 != 0 && class2 != ' ') ? class2 : class1); break;
    case 18: k = dok(); break;
    case 19: k = Pad(r, kMultiMark1, 6); break;
    case 20: k = Pad(r, kSecondCall, 6); break;
    case 21: k = band + dok(); break;
    case 22: k = band + Pad(r, kWpxPrefix, 6); break;
    case 23: k = band + Pad(r, kLocator, 6); break;
    case 24: k = std::string(1, ModeCodeFromText(GetText(r, kMode))) +
                 store::LongToKey(99999999 - static_cast<std::int32_t>(GetU16(r, kModeNo.offset)));
      break;
    case 25: k = band + Pad(r, kDistrictCode, 2); break;
    case 26: k = Pad(r, kDistrictCode, 2); break;
    case 27: k = band + Pad(r, kSecondCall, 6); break;
    default: break;
  }
  if (k.size() > store::kMaxKeyLength) k.resize(store::kMaxKeyLength);
  return k;
}

namespace {
constexpr store::KeyShape kShapes[kKeyCount] = {
    {8, true},  {22, true}, {14, true}, {5, false}, {6, true}, {14, true}, {1, true}, {6, true}, {21, true},
    {7, true},  {6, true},  {6, true},  {5, true},  {2, true}, {2, true},  {2, true}, {2, true}, {8, true},
    {6, true},  {6, true},  {9, true},  {7, true},  {7, true}, {6, true},  {3, true}, {3, true}, {7, true}};
}  // namespace

std::string LogFileName(std::int32_t n) {
  char name[16];
  std::snprintf(name, sizeof name, "QVLK%04d", n);
  return name;
}

std::string OldLogFileName(std::int32_t n) {
  char name[16];
  std::snprintf(name, sizeof name, "VIDK%04d", n);
  return name;
}

store::FileBlockSpec LogSpec(std::int32_t log_number, const SuffixTable* suffixes) {
  store::FileBlockSpec s;
  s.file_name = LogFileName(log_number);
  s.record_length = kLength;
  s.keys.assign(std::begin(kShapes), std::end(kShapes));
  const SuffixTable* table = suffixes ? suffixes : &BuiltInSuffixTable();
  s.builder = [table](ConstBytes r, int k) { return BuildQsoKey(r, k, *table); };
  s.auto_number_key = 4;
  s.flush_after_write = true;
  return s;
}

store::FileBlockSpec OldLogSpec(std::int32_t log_number) {
  store::FileBlockSpec s;
  s.file_name = OldLogFileName(log_number);
  s.record_length = kOldLength;
  s.keys.assign(std::begin(kShapes), std::begin(kShapes) + 18);
  // The older records hold the same fields at the same places up to offset 193.
  s.builder = [](ConstBytes r, int k) {
    std::uint8_t full[kLength] = {};
    std::copy(r.begin(), r.begin() + std::min<std::size_t>(r.size(), 194), full);
    return BuildQsoKey(ConstBytes(full, kLength), k);
  };
  s.auto_number_key = 4;
  return s;
}

}  // namespace vek::qso
