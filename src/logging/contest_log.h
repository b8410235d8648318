// A contest log's data set: opening with use counts, the packed exchange
// texts, the next running numbers and the renumbering in time order.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

#include "base/record_bytes.h"
#include "base/user_port.h"
#include "catalogue/contest_definition.h"
#include "refdata/call_sign.h"
#include "refdata/suite_files.h"

namespace vek {

struct ExchangeItems {
  Text report, item2, item3, item4;
  friend bool operator==(const ExchangeItems&, const ExchangeItems&) = default;
};

// Report padded to 3, item 2, "/" + item 3 when item 3 or 4 is set, "/" +
// item 4 when it is set; at most 20 characters.
Text JoinExchange(const ExchangeItems& items);
// Characters 1-3 are the report (its padding removed), the rest item 2,
// split at "/" into items 3 and 4; each item cut to its field's width.
ExchangeItems SplitExchange(std::string_view text, const std::array<std::size_t, 4>& widths);

// The received DOK: characters 1 to 6 in dokHead, 7 and 8 in dokTail.
void StoreRcvdDok(Bytes record, std::string_view dok);
Text LoadRcvdDok(ConstBytes record);

void StoreSentExchange(Bytes record, std::string_view text);
void StoreRcvdExchange(Bytes record, std::string_view text);
Text LoadSentExchange(ConstBytes record);
Text LoadRcvdExchange(ConstBytes record);

// The running numbers a new contact on `band` in `mode` gets.
struct RunningNumbers {
  std::int32_t serial = 1, band_a = 1, band_b = 1, mode = 1;
};

class ContestLog {
 public:
  ContestLog(SuiteFiles& files, std::int32_t log_number, const SuffixTable* suffixes = nullptr);
  ~ContestLog();
  ContestLog(const ContestLog&) = delete;
  ContestLog& operator=(const ContestLog&) = delete;

  bool OpenContestLog();
  void CloseContestLog();
  bool OpenTempLog();
  void CloseTempLog();
  store::FileBlock* log() const { return log_; }
  store::FileBlock* temp() const { return temp_; }
  std::int32_t number() const { return number_; }

  RunningNumbers NextRunningNumbers(char band, std::string_view mode);

  // Recomputes each record's multiplier marks while the log is rebuilt in
  // time order (the scoring of the log provides it; none keeps the marks).
  // The log is refilled in bulk, so its indexes are not there to search
  // while it fills: Added tells of each record as stored, for the marks of
  // the records after it to be judged against.
  class MarkRebuild {
   public:
    virtual ~MarkRebuild() = default;
    virtual void BeginMarks() {}
    virtual void Mark(Bytes record) = 0;
    virtual void Added(ConstBytes record) { (void)record; }
    virtual void EndMarks() {}
  };
  enum class RenumberResult { kDone, kNotNeeded, kTempFailed, kRebuildFailed, kOtherLogPending };
  // Renumbers in time order. A renumbering cut short while the log was being
  // filled again (a crash, a full disk) is finished from QVLKTEMP before
  // anything else, and QVLKTEMP is never emptied while another log still
  // needs its records.
  RenumberResult RenumberLog(const ContestDefinition& definition, UserPort& port, MarkRebuild* marks = nullptr);

 private:
  std::int32_t PendingRenumbering();
  bool SetPendingRenumbering(std::int32_t number);
  RenumberResult FillLogFromTemp(UserPort& port, MarkRebuild* marks);

  SuiteFiles& files_;
  store::FileManager& fm_;
  std::int32_t number_;
  const SuffixTable* suffixes_;
  store::FileBlock* log_ = nullptr;
  store::FileBlock* temp_ = nullptr;
};

}  // namespace vek
