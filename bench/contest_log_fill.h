// A contest-g log as earlier saves left it, for the benchmarks on real
// files: calls, locators, DOKs and bands of `contacts` contacts written
// without a flush per record; `more` adds what one benchmark needs besides.
#pragma once

#include <cstdio>
#include <functional>
#include <random>
#include <string>

#include "logging/contest_log.h"
#include "logging/qso_record.h"

namespace vek::bench {

using MoreFields =
    std::function<void(Bytes record, int index, const std::string& locator, const std::string& dok)>;

inline void FillContestLog(store::FileManager& fm, SuiteFiles& files, int contacts, const MoreFields& more) {
  ContestLog log(files, 1);
  log.OpenContestLog();
  fm.SetFlushAfterWrite(log.log(), false);
  std::mt19937 rng(1);
  const char bands[] = {'k', 'l', 'm'};
  for (int i = 0; i < contacts; ++i) {
    fm.ClearRecord(log.log());
    Bytes r = fm.RecordBuffer(log.log());
    char call[16], loc[8], dok[8];
    std::snprintf(call, sizeof call, "DL%dX%c", i, 'A' + i % 26);
    std::snprintf(loc, sizeof loc, "JO%d%dAA", static_cast<int>(rng() % 10), static_cast<int>(rng() % 10));
    std::snprintf(dok, sizeof dok, "I%02d", static_cast<int>(rng() % 60));
    PutText(r, qso::kCall, call);
    PutText(r, qso::kLocator, loc);
    StoreRcvdDok(r, dok);
    PutU8(r, qso::kBand.offset, static_cast<std::uint8_t>(bands[i % 3]));
    PutText(r, qso::kMode, "CW");
    PutI32(r, qso::kSerialNo.offset, i + 1);
    PutI32(r, qso::kDate.offset, *DayNumberFromDate(2008, 11, 15));
    PutI32(r, qso::kTime.offset, 8 * 3600 + i % 30000);
    if (more) more(r, i, loc, dok);
    fm.AddRecord(log.log());
  }
  fm.Flush(log.log());
  log.CloseContestLog();
}

}  // namespace vek::bench
