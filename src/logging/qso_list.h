// The rows of the QSO lists: the header line and the row text of a contact,
// columns separated by ';', as the record browser shows them.
#pragma once

#include "base/record_bytes.h"
#include "catalogue/contest_definition.h"

namespace vek {

Text QsoListHeader(const ContestDefinition& d, bool english);
Text QsoListRow(ConstBytes record, const ContestDefinition& d);

}  // namespace vek
