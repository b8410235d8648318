// What the entry session's files share: the rows of exchange fields and
// small helpers over the log's buffer and the suite's files.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "base/record_bytes.h"
#include "logging/entry_session.h"
#include "store/file_manager.h"

namespace vek::entry_detail {

using F = EntryFieldId;
inline constexpr F kSentRow[4] = {F::eRSTs1, F::eRSTs2, F::eRSTs3, F::eRSTs4};
inline constexpr F kRcvdRow[4] = {F::eRSTr1, F::eRSTr2, F::eRSTr3, F::eRSTr4};

// Names in the suite's older files are in the DOS code page.
inline Text FixCodePage(Text name) {
  for (char& c : name) {
    switch (static_cast<unsigned char>(c)) {
      case 129: c = '\xFC'; break;
      case 132: c = '\xE4'; break;
      case 142: c = '\xC4'; break;
      case 148: c = '\xF6'; break;
      case 153: c = '\xD6'; break;
      case 154: c = '\xDC'; break;
      case 225: c = '\xDF'; break;
      case 251: c = 'Y'; break;
      default: break;
    }
  }
  return name;
}



}  // namespace vek::entry_detail
