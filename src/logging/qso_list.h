// The rows of the QSO lists: the header line and the row text of a contact,
// columns separated by ';', as the record browser shows them.
#pragma once

#include <vector>

#include "base/record_bytes.h"
#include "catalogue/contest_definition.h"

namespace vek {

Text QsoListHeader(const ContestDefinition& d, bool english);
Text QsoListRow(ConstBytes record, const ContestDefinition& d);
// A record the list draws marked (rowMark 1).
bool QsoListRowMarked(ConstBytes record);

// The named orders the lists know (their selector is not shown) and the
// index and range each stands for; `band` limits the band orders.
std::vector<Text> QsoListOrders(const ContestDefinition& d, bool english);
struct QsoListOrder {
  int key = 1;
  Text low, high;
};
QsoListOrder QsoListOrderOf(int index, char band);

}  // namespace vek
