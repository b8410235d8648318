#include "refdata/prefix_record.h"

namespace vek::prefix_record {
namespace {
Text Field(ConstBytes r, const FieldSpec& f, std::size_t width) { return PadRight(GetText(r, f), width); }
}  // namespace

store::Key PrefixKey(ConstBytes r, int key) {
  const Text prefix = Field(r, kPrefix, 6);
  const char mark = static_cast<char>(GetU8(r, kClassMark.offset));
  switch (key) {
    case 1: return prefix;
    case 2: return Field(r, kDxccPrefix, 6) + prefix;
    case 3: return prefix + Field(r, kSequence, 3);
    case 4: return Field(r, kCqZone, 2) + prefix;
    case 5: return Field(r, kItuZone, 2) + prefix;
    case 6: return Field(r, kContinent, 2) + prefix;
    case 7: return PadRight(Cp1252Upper(GetText(r, kCountry)), 30) + prefix;
    case 8: return Field(r, kField62, 8) + prefix;
    case 9: return Field(r, kAlternative, 6);
    case 10: {
      // Classes sort '*' first, then the letters from 'J' on, then the rest.
      const char rank = mark == '*' ? 2 : (mark >= 'J' && mark <= 'Z' ? 1 : 0);
      return std::string(1, rank) + prefix;
    }
    case 11: return Field(r, kSuccessor, 6);
    case 12: return Field(r, kRedirect2, 6);
    case 13: return store::LongToKey(GetI16(r, kDxccNumber.offset));
    case 14: return std::string(1, mark) + prefix;
    default: return {};
  }
}

}  // namespace vek::prefix_record
