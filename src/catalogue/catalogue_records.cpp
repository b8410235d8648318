#include "catalogue/catalogue_records.h"

#include "store/keys.h"

namespace vek::qvkk {
namespace {

// Columns 1 to 5 lie in arrays; 6 and 7 have fields of their own.
struct ColumnPlace {
  std::size_t qsos, multipliers, points, first, second;
};
ColumnPlace PlaceOf(int column) {
  if (column <= 5) {
    const auto i = static_cast<std::size_t>(column - 1);
    return {196 + 2 * i, 206 + 2 * i, 226 + 4 * i, 261 + 2 * i, 281 + 2 * i};
  }
  if (column == 6) return {341, 343, 345, 349, 353};
  return {355, 357, 359, 363, 367};
}

}  // namespace

Period PeriodOf(ConstBytes r) {
  return {{GetI32(r, kDateFrom.offset), GetI32(r, kTimeFrom.offset)},
          {GetI32(r, kDateTo.offset), GetI32(r, kTimeTo.offset)}};
}

ColumnTotals GetColumnTotals(ConstBytes r, int column) {
  const ColumnPlace p = PlaceOf(column);
  return {GetU16(r, p.qsos), GetU16(r, p.multipliers), GetI32(r, p.points), GetI16(r, p.first), GetI16(r, p.second)};
}

void PutColumnTotals(Bytes r, int column, const ColumnTotals& t) {
  const ColumnPlace p = PlaceOf(column);
  PutU16(r, p.qsos, static_cast<std::uint16_t>(t.qsos));
  PutU16(r, p.multipliers, static_cast<std::uint16_t>(t.multipliers));
  PutI32(r, p.points, t.points);
  PutI16(r, p.first, static_cast<std::int16_t>(t.first_column));
  PutI16(r, p.second, static_cast<std::int16_t>(t.second_column));
}

store::Key Key(ConstBytes r, int key) {
  const std::string code(1, static_cast<char>(GetU8(r, kContestCode.offset)));
  switch (key) {
    case 1: return code + PadRight(GetText(r, kLogName), 25);
    case 2: {
      // The date as four bytes, most significant first.
      const auto day = static_cast<std::uint32_t>(GetI32(r, kDateFrom.offset));
      std::string k = code;
      for (int shift = 24; shift >= 0; shift -= 8) k += static_cast<char>((day >> shift) & 0xFF);
      return k;
    }
    case 3: return store::LongToKey(GetI32(r, kLogNumber.offset));
    case 4: return std::string(1, static_cast<char>(GetU8(r, kKey4Char.offset)));
    case 5: return PadRight(GetText(r, kLogName), 25);
    default: return {};
  }
}

DefinitionInputs DefinitionInputsOf(ConstBytes r, char contest_code, std::string_view own_locator, DayNumber today) {
  DefinitionInputs in;
  in.ContestCode = contest_code;
  in.ClassNumber = GetU8(r, kClassNumber.offset);
  in.DateFrom = GetI32(r, kDateFrom.offset);
  in.OwnDok = GetText(r, kOwnDok);
  in.OwnPostcode = GetText(r, kOwnPostcode);
  in.OwnLdk = GetText(r, kOwnLdk);
  in.ExtraNumber = GetI32(r, kExtraNumber.offset);
  in.ClubMemberText = GetText(r, kClubMemberText);
  in.QuestionAnswer = GetU8(r, kQuestionAnswer.offset) != 0;
  in.OwnLocator = Text(own_locator);
  in.Today = today;
  return in;
}

store::FileBlockSpec Spec() {
  store::FileBlockSpec s;
  s.file_name = "QVKK";
  s.record_length = kLength;
  s.keys = {{26, true}, {5, true}, {5, false}, {1, true}, {25, true}};
  s.builder = Key;
  s.auto_number_key = 3;
  s.flush_after_write = true;
  return s;
}

}  // namespace vek::qvkk

namespace vek::qvkz {

store::Key Key(ConstBytes r, int) { return store::LongToKey(GetI32(r, kLogNumber.offset)); }

store::FileBlockSpec Spec() {
  store::FileBlockSpec s;
  s.file_name = "QVKZ";
  s.record_length = kLength;
  s.keys = {{5, false}};
  s.builder = Key;
  s.flush_after_write = true;
  return s;
}

}  // namespace vek::qvkz

namespace vek {

SlotTotals StoredTotals::Slot(int n) const {
  return n >= 1 && static_cast<std::size_t>(n) <= by_slot.size() ? by_slot[static_cast<std::size_t>(n - 1)] : SlotTotals{};
}

StoredTotals ReadStoredTotals(ConstBytes kk, ConstBytes kz) {
  StoredTotals t;
  const bool extra = GetU8(kk, qvkk::kTotalsInExtraRecord.offset) != 0;
  const int slot_count = extra ? 100 : 7;
  for (int n = 1; n <= slot_count; ++n) {
    SlotTotals s;
    if (extra) {
      s.qsos = GetI32(kz, qvkz::QsoOffset(n));
      s.multipliers = GetI32(kz, qvkz::MultiplierOffset(n));
      s.points = GetI32(kz, qvkz::PointsOffset(n));
      for (int k = 1; k <= 3; ++k) s.kinds[static_cast<std::size_t>(k)] = GetI16(kz, qvkz::ColumnOffset(k, n));
    } else {
      const qvkk::ColumnTotals c = qvkk::GetColumnTotals(kk, n);
      s.qsos = c.qsos, s.multipliers = c.multipliers, s.points = c.points;
      s.kinds[1] = c.first_column, s.kinds[2] = c.second_column;
    }
    t.sum.qsos += s.qsos, t.sum.multipliers += s.multipliers, t.sum.points += s.points;
    for (std::size_t k = 1; k <= 3; ++k) t.sum.kinds[k] += s.kinds[k];
    t.band_product += s.multipliers > 0 ? s.points * s.multipliers : s.points;
    t.by_slot.push_back(s);
  }
  return t;
}

std::int64_t FinalScore(const ContestDefinition& d, const StoredTotals& t) {
  if (d.MultiplierKinds.none() || d.ScoreIsPointSum) return t.sum.points;
  if (d.ScorePerBandProduct) return t.band_product;
  return t.sum.multipliers >= 1 ? t.sum.multipliers * t.sum.points : t.sum.points;
}

}  // namespace vek
