// The 216-byte QSO record of a contest log (data set "QVLK" + four-digit log
// number) and the 27 keys its indexes hold. The layout is a file format:
// logs written by earlier runs and by the suite's other programs are opened
// with it byte for byte.
#pragma once

#include <cstdint>
#include <string>

#include "base/record_bytes.h"
#include "refdata/call_sign.h"
#include "store/file_block_opener.h"

namespace vek::qso {

constexpr int kLength = 216;
constexpr int kKeyCount = 27;

constexpr FieldSpec kEntryNo{"entryNo", 4, 4, FieldKind::kI32};
constexpr FieldSpec kCall{"call", 8, 13, FieldKind::kText};
constexpr FieldSpec kLocator{"locator", 21, 7, FieldKind::kText};
constexpr FieldSpec kDate{"date", 28, 4, FieldKind::kI32};
constexpr FieldSpec kTime{"time", 32, 4, FieldKind::kI32};
constexpr FieldSpec kMode{"mode", 36, 7, FieldKind::kText};
constexpr FieldSpec kSentPart4{"sentPart4", 43, 8, FieldKind::kText};
constexpr FieldSpec kRcvdPart4{"rcvdPart4", 51, 8, FieldKind::kText};
constexpr FieldSpec kMultiMark2{"multiMark2", 59, 7, FieldKind::kText};
constexpr FieldSpec kQrbKm{"qrbKm", 66, 4, FieldKind::kI32};
constexpr FieldSpec kWpxPrefix{"wpxPrefix", 70, 7, FieldKind::kText};
constexpr FieldSpec kCountryPrefix{"countryPrefix", 77, 7, FieldKind::kText};
constexpr FieldSpec kNameQth{"nameQth", 84, 31, FieldKind::kText};
constexpr FieldSpec kRowMark{"rowMark", 115, 1, FieldKind::kU8};
constexpr FieldSpec kDistrictCode{"districtCode", 116, 3, FieldKind::kText};
constexpr FieldSpec kSpareCode{"spareCode", 119, 3, FieldKind::kText};
constexpr FieldSpec kContinent{"continent", 122, 3, FieldKind::kText};
constexpr FieldSpec kDokHead{"dokHead", 125, 7, FieldKind::kText};
constexpr FieldSpec kBand{"band", 132, 1, FieldKind::kChar};
constexpr FieldSpec kBandNoA{"bandNoA", 133, 4, FieldKind::kI32};
constexpr FieldSpec kPoints{"points", 137, 2, FieldKind::kU16};
constexpr FieldSpec kQslRcvd{"qslRcvd", 139, 1, FieldKind::kChar};
constexpr FieldSpec kSecondCall{"secondCall", 140, 13, FieldKind::kText};
constexpr FieldSpec kMultiMark1{"multiMark1", 153, 7, FieldKind::kText};
constexpr FieldSpec kBandNoB{"bandNoB", 160, 4, FieldKind::kI32};
constexpr FieldSpec kPrefixFixed{"prefixFixed", 164, 1, FieldKind::kU8};
constexpr FieldSpec kQsyBand{"qsyBand", 165, 1, FieldKind::kChar};
constexpr FieldSpec kSerialNo{"serialNo", 166, 4, FieldKind::kI32};
constexpr FieldSpec kClass1{"class1", 170, 1, FieldKind::kChar};
constexpr FieldSpec kClass2{"class2", 171, 1, FieldKind::kChar};
constexpr FieldSpec kMark172{"mark172", 172, 1, FieldKind::kU8};
constexpr FieldSpec kSentPart1{"sentPart1", 173, 10, FieldKind::kText};
constexpr FieldSpec kRcvdPart1{"rcvdPart1", 183, 10, FieldKind::kText};
constexpr FieldSpec kQslSent{"qslSent", 193, 1, FieldKind::kChar};
constexpr FieldSpec kDokTail{"dokTail", 194, 3, FieldKind::kText};
constexpr FieldSpec kRcvdPart2{"rcvdPart2", 197, 3, FieldKind::kText};
constexpr FieldSpec kSentPart2{"sentPart2", 200, 3, FieldKind::kText};
constexpr FieldSpec kFreqMHz{"freqMHz", 203, 4, FieldKind::kF32};
constexpr FieldSpec kRcvdPart3{"rcvdPart3", 207, 3, FieldKind::kText};
constexpr FieldSpec kSentPart3{"sentPart3", 210, 3, FieldKind::kText};
constexpr FieldSpec kModeNo{"modeNo", 213, 2, FieldKind::kU16};

// Key k (1..27) of a QSO record; the base call is the home part of the call
// under `suffixes`.
store::Key BuildQsoKey(ConstBytes record, int key, const SuffixTable& suffixes = BuiltInSuffixTable());

// "QVLK" + the log number with four digits.
std::string LogFileName(std::int32_t log_number);
store::FileBlockSpec LogSpec(std::int32_t log_number, const SuffixTable* suffixes = nullptr);

// The older program family's logs "VIDK" + number: 215-byte records and the
// first 18 keys of the contest log.
constexpr int kOldLength = 215;
std::string OldLogFileName(std::int32_t log_number);
store::FileBlockSpec OldLogSpec(std::int32_t log_number);

}  // namespace vek::qso
