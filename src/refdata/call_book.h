// The call book (QVCBUCH, 333 bytes) and the call list (QVCALL, 71 bytes) of
// the suite: what earlier contacts and the suite's member lists know about a
// call. The key texts are built in suite_files.cpp.
#pragma once

#include "base/record_bytes.h"

namespace vek::call_book {
constexpr int kLength = 333;
constexpr FieldSpec kCall{"call", 4, 11, FieldKind::kText};          // home call, key 1
constexpr FieldSpec kDigNumber{"field1_dig", 29, 7, FieldKind::kText};
constexpr FieldSpec kAgcwNumber{"field2_agcw", 22, 7, FieldKind::kText};
constexpr FieldSpec kField3{"field3", 96, 11, FieldKind::kText};
constexpr FieldSpec kName{"field4_name", 43, 21, FieldKind::kText};
constexpr FieldSpec kNavalNumber{"field5_naval", 107, 5, FieldKind::kText};
constexpr FieldSpec kDok{"field6_dok", 299, 9, FieldKind::kText};
constexpr FieldSpec kField7{"field7", 15, 7, FieldKind::kText};
constexpr std::size_t kFields8To13[6] = {233, 244, 255, 266, 277, 288};  // text 10 each
constexpr FieldSpec kQth{"field15_qth", 64, 21, FieldKind::kText};
constexpr FieldSpec kField16{"field16", 85, 11, FieldKind::kText};
constexpr FieldSpec kField17{"field17", 112, 121, FieldKind::kText};
}  // namespace vek::call_book

namespace vek::call_list {
constexpr int kLength = 71;
constexpr FieldSpec kCall{"call", 4, 11, FieldKind::kText};
constexpr FieldSpec kDigNumber{"dig", 15, 6, FieldKind::kText};
constexpr FieldSpec kAgcwNumber{"agcw", 21, 6, FieldKind::kText};
constexpr FieldSpec kField3{"field3", 27, 11, FieldKind::kText};
constexpr FieldSpec kField4{"field4", 37, 1, FieldKind::kChar};
constexpr FieldSpec kName{"name", 38, 21, FieldKind::kText};
constexpr FieldSpec kNavalNumber{"naval", 59, 6, FieldKind::kText};
constexpr FieldSpec kDok{"dok", 65, 4, FieldKind::kText};
}  // namespace vek::call_list
