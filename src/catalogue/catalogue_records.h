// The catalogue of contest logs (QVKK, 379 bytes) and the contest-totals
// record of each log (QVKZ, 11608 bytes). Records are kept as the bytes the
// files hold; the fields below are read and written in place, so bytes of
// other modules survive every rewrite.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/clock.h"
#include "base/day_number.h"
#include "base/record_bytes.h"
#include "catalogue/contest_definition.h"
#include "store/file_block_opener.h"

namespace vek::qvkk {

constexpr int kLength = 379;
constexpr FieldSpec kLogNumber{"LogNumber", 4, 4, FieldKind::kI32};
constexpr FieldSpec kDateFrom{"DateFrom", 8, 4, FieldKind::kI32};
constexpr FieldSpec kDateTo{"DateTo", 12, 4, FieldKind::kI32};
constexpr FieldSpec kTimeFrom{"TimeFrom", 16, 4, FieldKind::kI32};
constexpr FieldSpec kTimeTo{"TimeTo", 20, 4, FieldKind::kI32};
constexpr FieldSpec kLogName{"LogName", 24, 26, FieldKind::kText};
constexpr FieldSpec kLogLocator{"LogLocator", 50, 7, FieldKind::kText};
constexpr FieldSpec kOwnDok{"OwnDok", 57, 14, FieldKind::kText};
constexpr FieldSpec kCreationMark1{"creation_mark_1", 71, 1, FieldKind::kU8};
constexpr FieldSpec kCreationMark2{"creation_mark_2", 72, 1, FieldKind::kU8};
constexpr FieldSpec kEquipmentText{"EquipmentText", 73, 85, FieldKind::kText};
constexpr FieldSpec kExtraNumber{"ExtraNumber", 158, 4, FieldKind::kI32};
constexpr FieldSpec kOwnCall{"OwnCall", 166, 13, FieldKind::kText};
constexpr FieldSpec kClubMemberText{"ClubMemberText", 183, 7, FieldKind::kText};
constexpr FieldSpec kKey4Char{"key4_char", 190, 1, FieldKind::kChar};
constexpr FieldSpec kContestCode{"ContestCode", 191, 1, FieldKind::kChar};
constexpr FieldSpec kAutoDate{"AutoDate", 192, 1, FieldKind::kU8};
constexpr FieldSpec kAutoTime{"AutoTime", 193, 1, FieldKind::kU8};
constexpr FieldSpec kMarkerD{"marker_d", 194, 1, FieldKind::kChar};
constexpr FieldSpec kCreationMark3{"creation_mark_3", 195, 1, FieldKind::kU8};
constexpr FieldSpec kRstSentFree{"RstSentFree", 246, 1, FieldKind::kU8};
constexpr FieldSpec kRstRcvdFree{"RstRcvdFree", 247, 1, FieldKind::kU8};
constexpr FieldSpec kAutoLocked{"AutoLocked", 248, 1, FieldKind::kU8};
constexpr FieldSpec kQslSentDefault{"QslSentDefault", 249, 1, FieldKind::kChar};
constexpr FieldSpec kQslRcvdDefault{"QslRcvdDefault", 250, 1, FieldKind::kChar};
constexpr FieldSpec kClassNumber{"ClassNumber", 251, 1, FieldKind::kU8};
constexpr FieldSpec kModeSsb{"ModeSsb", 252, 1, FieldKind::kU8};
constexpr std::size_t kNoteWindow = 253;  // four signed 16-bit values
constexpr FieldSpec kModeFm{"ModeFm", 291, 1, FieldKind::kU8};
constexpr FieldSpec kModePr{"ModePr", 292, 1, FieldKind::kU8};
constexpr FieldSpec kAutoBand{"AutoBand", 293, 1, FieldKind::kU8};
constexpr FieldSpec kOwnPostcode{"OwnPostcode", 294, 6, FieldKind::kText};
constexpr FieldSpec kQuestionAnswer{"QuestionAnswer", 300, 1, FieldKind::kU8};
constexpr FieldSpec kTotalsInExtraRecord{"TotalsInExtraRecord", 369, 1, FieldKind::kU8};
constexpr FieldSpec kOwnLdk{"OwnLdk", 370, 4, FieldKind::kText};
constexpr FieldSpec kManualTimes{"ManualTimes", 374, 1, FieldKind::kU8};

// Column i (1..20) of the QSO list's widths.
constexpr std::size_t ListColumnWidthOffset(int i) { return 299 + 2 * static_cast<std::size_t>(i); }

// Per-band totals of band column n (1..7) in the catalogue record.
struct ColumnTotals {
  std::int32_t qsos = 0, multipliers = 0, points = 0, first_column = 0, second_column = 0;
};
ColumnTotals GetColumnTotals(ConstBytes r, int column);
void PutColumnTotals(Bytes r, int column, const ColumnTotals& t);

// The contest period the record holds: its first and its last moment.
struct Period {
  UtcInstant from, to;
};
Period PeriodOf(ConstBytes r);

store::Key Key(ConstBytes r, int key);
store::FileBlockSpec Spec();

// What BuildContestDefinition reads from a catalogue record, the station's
// locator and the clock.
DefinitionInputs DefinitionInputsOf(ConstBytes r, char contest_code, std::string_view own_locator, DayNumber today);

}  // namespace vek::qvkk

namespace vek::qvkz {

constexpr int kLength = 11608;
constexpr FieldSpec kLogNumber{"LogNumber", 4, 4, FieldKind::kI32};
constexpr std::size_t kRstsNotLocked = 1808;
constexpr std::size_t kEnterUnscoredDupes = 1809;
constexpr std::size_t QsoOffset(int n) { return 4 + 4 * static_cast<std::size_t>(n); }
constexpr std::size_t MultiplierOffset(int n) { return 404 + 4 * static_cast<std::size_t>(n); }
constexpr std::size_t PointsOffset(int n) { return 804 + 4 * static_cast<std::size_t>(n); }
constexpr std::size_t ColumnOffset(int column, int n) {  // column 1..3, 16-bit counts
  return 1006 + 200 * static_cast<std::size_t>(column) + 2 * static_cast<std::size_t>(n);
}

store::Key Key(ConstBytes r, int key);
store::FileBlockSpec Spec();

}  // namespace vek::qvkz

namespace vek {

// The per-band results a log stores when its entry window closes, read from
// whichever record holds them (the catalogue record's 7 slots, or the totals
// record's 100 when the catalogue record says so).
struct SlotTotals {
  std::int64_t qsos = 0, multipliers = 0, points = 0;
  std::array<std::int64_t, 4> kinds{};  // index 1..3: multipliers of kind 1..3
};
struct StoredTotals {
  std::vector<SlotTotals> by_slot;  // slot 1 at index 0
  SlotTotals sum;
  std::int64_t band_product = 0;  // points x multipliers per slot; a slot without multipliers adds its points
  // Slot n (1-based); zeros beyond the record's slots.
  SlotTotals Slot(int n) const;
};
StoredTotals ReadStoredTotals(ConstBytes qvkk, ConstBytes qvkz);

// The final score: the points alone without multipliers or for a point sum,
// the sum of the band products, else multipliers x points (the points when
// nothing multiplies).
std::int64_t FinalScore(const ContestDefinition& d, const StoredTotals& t);

}  // namespace vek
