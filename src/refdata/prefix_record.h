// The 181-byte record of the prefix tables QVPREFIX, QVPREFEE and QVPREFES,
// and the key texts their indexes hold.
#pragma once

#include "base/record_bytes.h"
#include "store/keys.h"

namespace vek::prefix_record {

constexpr int kLength = 181;
constexpr int kPrefixKeys = 14;    // QVPREFIX
constexpr int kOverrideKeys = 12;  // QVPREFEE, QVPREFES

constexpr FieldSpec kPrefix{"prefix", 4, 7, FieldKind::kText};
constexpr FieldSpec kDxccPrefix{"dxcc_prefix", 11, 7, FieldKind::kText};
constexpr FieldSpec kSequence{"sequence", 18, 4, FieldKind::kText};
constexpr FieldSpec kCqZone{"cq_zone", 22, 3, FieldKind::kText};
constexpr FieldSpec kItuZone{"itu_zone", 25, 3, FieldKind::kText};
constexpr FieldSpec kContinent{"continent", 28, 3, FieldKind::kText};
constexpr FieldSpec kCountry{"country", 31, 31, FieldKind::kText};
constexpr FieldSpec kField62{"field62", 62, 9, FieldKind::kText};
constexpr FieldSpec kValidFrom{"valid_from", 80, 4, FieldKind::kI32};
constexpr FieldSpec kValidTo{"valid_to", 84, 4, FieldKind::kI32};
constexpr FieldSpec kRedirect2Until{"redirect2_until", 88, 4, FieldKind::kI32};
constexpr FieldSpec kRedirect2{"redirect2", 96, 7, FieldKind::kText};
constexpr FieldSpec kRangeStart{"range_start", 107, 1, FieldKind::kChar};
constexpr FieldSpec kDxccNumber{"dxcc_number", 108, 2, FieldKind::kI16};
constexpr FieldSpec kSuccessor{"successor", 110, 7, FieldKind::kText};
constexpr FieldSpec kRemark{"remark", 120, 41, FieldKind::kText};
constexpr FieldSpec kRedirect1Until{"redirect1_until", 161, 4, FieldKind::kI32};
constexpr FieldSpec kRedirect1{"redirect1", 165, 7, FieldKind::kText};
constexpr FieldSpec kAlternative{"alternative", 172, 7, FieldKind::kText};
constexpr FieldSpec kClassMark{"class_mark", 179, 1, FieldKind::kChar};
constexpr FieldSpec kOverrideScope{"override_scope", 180, 1, FieldKind::kChar};

// Key k (1..14) of a prefix record; the override tables use keys 1 to 12.
store::Key PrefixKey(ConstBytes record, int key);

}  // namespace vek::prefix_record
