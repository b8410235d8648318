#include "logging/contest_log.h"

#include <map>
#include <string>
#include <vector>

#include "base/cp1252.h"
#include "logging/qso_record.h"
#include "refdata/modes.h"
#include "store/keys.h"

namespace vek {
namespace {

// A marker beside QVLKTEMP names the log whose second renumbering pass has
// not finished; QVLKTEMP then holds all of that log's records.
constexpr const char* kPendingMarker = "QVLKTEMP.REN";

store::FileBlockSpec TempSpec() {
  store::FileBlockSpec s;
  s.file_name = "QVLKTEMP";
  s.record_length = qso::kLength;
  s.keys = {{5, false}};
  s.builder = [](ConstBytes r, int) { return store::LongToKey(GetI32(r, qso::kEntryNo.offset)); };
  s.auto_number_key = 1;
  return s;
}

void StoreSegments(Bytes r, std::string_view text, const FieldSpec& p1, const FieldSpec& p2, const FieldSpec& p3,
                   const FieldSpec& p4) {
  const std::string_view t = text.substr(0, 20);
  auto part = [&](std::size_t from, std::size_t len) { return from < t.size() ? t.substr(from, len) : std::string_view(); };
  PutText(r, p1, part(0, 9));
  PutText(r, p2, part(9, 2));
  PutText(r, p3, part(11, 2));
  PutText(r, p4, part(13, 7));
}

Text LoadSegments(ConstBytes r, const FieldSpec& p1, const FieldSpec& p2, const FieldSpec& p3, const FieldSpec& p4) {
  Text t = GetText(r, p1);
  auto append = [&](const FieldSpec& f, std::size_t total) {
    t += GetText(r, f);
    if (t.size() > total) t.resize(total);
  };
  append(p2, 11);
  append(p3, 13);
  append(p4, 20);
  return t;
}

}  // namespace

Text JoinExchange(const ExchangeItems& x) {
  Text t = PadRight(x.report, 3) + x.item2;
  if (!x.item3.empty() || !x.item4.empty()) t += "/" + x.item3;
  if (!x.item4.empty()) t += "/" + x.item4;
  return Cut(t, 20);
}

ExchangeItems SplitExchange(std::string_view text, const std::array<std::size_t, 4>& widths) {
  ExchangeItems x;
  x.report = TrimRightBlanks(text.substr(0, 3));
  std::string item2(text.size() > 3 ? text.substr(3) : std::string_view());
  std::string item3, item4;
  if (const auto slash = item2.find('/'); slash != std::string::npos) {
    item3 = item2.substr(slash + 1);
    item2.resize(slash);
    if (const auto slash3 = item3.find('/'); slash3 != std::string::npos) {
      item4 = item3.substr(slash3 + 1);
      item3.resize(slash3);
    }
  }
  x.report = Cut(x.report, widths[0]);
  x.item2 = Cut(item2, widths[1]);
  x.item3 = Cut(item3, widths[2]);
  x.item4 = Cut(item4, widths[3]);
  return x;
}

void StoreRcvdDok(Bytes r, std::string_view dok) {
  PutText(r, qso::kDokHead, dok.substr(0, 6));
  PutText(r, qso::kDokTail, dok.size() > 6 ? dok.substr(6, 2) : std::string_view());
}

Text LoadRcvdDok(ConstBytes r) { return GetText(r, qso::kDokHead) + GetText(r, qso::kDokTail); }

void StoreSentExchange(Bytes r, std::string_view text) {
  StoreSegments(r, text, qso::kSentPart1, qso::kSentPart2, qso::kSentPart3, qso::kSentPart4);
}
void StoreRcvdExchange(Bytes r, std::string_view text) {
  StoreSegments(r, text, qso::kRcvdPart1, qso::kRcvdPart2, qso::kRcvdPart3, qso::kRcvdPart4);
}
Text LoadSentExchange(ConstBytes r) {
  return LoadSegments(r, qso::kSentPart1, qso::kSentPart2, qso::kSentPart3, qso::kSentPart4);
}
Text LoadRcvdExchange(ConstBytes r) {
  return LoadSegments(r, qso::kRcvdPart1, qso::kRcvdPart2, qso::kRcvdPart3, qso::kRcvdPart4);
}

ContestLog::ContestLog(SuiteFiles& files, std::int32_t log_number, const SuffixTable* suffixes)
    : files_(files), fm_(files.fm()), number_(log_number), suffixes_(suffixes) {}

ContestLog::~ContestLog() {
  CloseTempLog();
  CloseContestLog();
}

bool ContestLog::OpenContestLog() {
  if (!log_) log_ = files_.OpenSpec(qso::LogSpec(number_, suffixes_));
  return log_ != nullptr;
}

void ContestLog::CloseContestLog() {
  if (log_) files_.CloseName(qso::LogFileName(number_));
  log_ = nullptr;
}

bool ContestLog::OpenTempLog() {
  if (!temp_) temp_ = files_.OpenSpec(TempSpec());
  return temp_ != nullptr;
}

void ContestLog::CloseTempLog() {
  if (temp_) files_.CloseName("QVLKTEMP");
  temp_ = nullptr;
}

RunningNumbers ContestLog::NextRunningNumbers(char band, std::string_view mode) {
  RunningNumbers n;
  store::KeepRecordBuffer keep(fm_, log_);  // the caller's buffer stays
  const std::string b(1, band);
  if (fm_.SearchKey(log_, 11, b + store::LongToKey(0)) == 0 && GetU8(fm_.RecordBuffer(log_), qso::kBand.offset) == static_cast<std::uint8_t>(band))
    n.band_a = GetI32(fm_.RecordBuffer(log_), qso::kBandNoA.offset) + 1;
  if (fm_.SearchKey(log_, 12, b + store::LongToKey(0)) == 0 && GetU8(fm_.RecordBuffer(log_), qso::kBand.offset) == static_cast<std::uint8_t>(band))
    n.band_b = GetI32(fm_.RecordBuffer(log_), qso::kBandNoB.offset) + 1;
  if (fm_.LastKey(log_, 13) == 0) n.serial = GetI32(fm_.RecordBuffer(log_), qso::kSerialNo.offset) + 1;
  const std::string m(1, ModeCodeFromText(mode));
  if (fm_.SearchKey(log_, 24, m + store::LongToKey(0)) == 0 && GetText(fm_.RecordBuffer(log_), qso::kMode) == mode)
    n.mode = GetU16(fm_.RecordBuffer(log_), qso::kModeNo.offset) + 1;
  return n;
}

std::int32_t ContestLog::PendingRenumbering() {
  std::int32_t error = 0;
  auto f = fm_.file_system().Open(kPendingMarker, false, error);
  if (!f) return -1;
  std::uint8_t bytes[4] = {};
  if (f->ReadAt(0, bytes).bytes < 4) return -1;
  return GetI32(bytes, 0);
}

bool ContestLog::SetPendingRenumbering(std::int32_t number) {
  store::OsFileSystem& fs = fm_.file_system();
  fs.Remove(kPendingMarker);
  if (number < 0) return true;
  std::int32_t error = 0;
  auto f = fs.Open(kPendingMarker, true, error);
  if (!f) return false;
  std::uint8_t bytes[4];
  PutI32(bytes, 0, number);
  return f->WriteAt(0, bytes).bytes == 4 && f->Sync() == 0;
}

ContestLog::RenumberResult ContestLog::FillLogFromTemp(UserPort& port, MarkRebuild* marks) {
  const std::int32_t total = fm_.RecordCount(temp_);
  port.ProgressBegin("Neunummerierung", total);
  // Emptied, or the fill would double what another program kept open.
  bool ok = fm_.EmptyFileBlock(log_) == 0 && fm_.BeginFill(log_) == 0;
  std::map<char, std::int32_t> band_counter, mode_counter;
  std::int32_t done = 0;
  if (ok && marks) marks->BeginMarks();
  for (int s = ok ? fm_.FirstKey(temp_, 1) : 1; s == 0 && ok; s = fm_.NextKey(temp_, 1)) {
    ConstBytes t = fm_.RecordBuffer(temp_);
    fm_.ClearRecord(log_);
    Bytes r = fm_.RecordBuffer(log_);
    std::copy(t.begin(), t.end(), r.begin());
    PutI32(r, qso::kEntryNo.offset, 0);
    PutI32(r, qso::kSerialNo.offset, GetI32(t, qso::kEntryNo.offset));
    const std::int32_t band_no = ++band_counter[static_cast<char>(GetU8(r, qso::kBand.offset))];
    PutI32(r, qso::kBandNoA.offset, band_no);
    PutI32(r, qso::kBandNoB.offset, band_no);
    const std::int32_t mode_no = ++mode_counter[ModeCodeFromText(GetText(r, qso::kMode))];
    PutU16(r, qso::kModeNo.offset, static_cast<std::uint16_t>(mode_no));
    if (marks) marks->Mark(r);
    ok = fm_.AddRecord(log_) == 0;
    if (ok && marks) marks->Added(fm_.RecordBuffer(log_));
    if (++done % 10 == 0) port.ProgressStep(done);
  }
  if (marks) marks->EndMarks();
  // The indexes of what went in are built even after a failure, as the adds
  // one by one left them; the pending mark then finishes the work later.
  ok = fm_.EndFill(log_) == 0 && ok;
  port.ProgressEnd();
  if (!ok) {
    port.Inform("Fehler beim Neuaufbau der Datenbank");
    return RenumberResult::kRebuildFailed;
  }
  SetPendingRenumbering(-1);
  return RenumberResult::kDone;
}

ContestLog::RenumberResult ContestLog::RenumberLog(const ContestDefinition& d, UserPort& port, MarkRebuild* marks) {
  if (!log_ && !OpenContestLog()) return RenumberResult::kRebuildFailed;
  if (d.SentKind1 == kSerial || d.SentKind2 == kSerial || d.SentKind3 == kSerial) {
    // Serial numbers were sent: the numbers are part of the log and stay.
    if (fm_.RecordCount(log_) == 0) fm_.EmptyFileBlock(log_);
    return RenumberResult::kNotNeeded;
  }
  if (!OpenTempLog()) return RenumberResult::kTempFailed;
  const std::int32_t pending = PendingRenumbering();
  if (pending == number_) {
    const RenumberResult r = FillLogFromTemp(port, marks);  // finish what was cut short
    CloseTempLog();
    return r;
  }
  if (pending >= 0) {
    port.Inform(W("Die Neunummerierung von ") + qso::LogFileName(pending) +
                W(" ist noch nicht abgeschlossen; dieses Log wird erst danach neu nummeriert."));
    CloseTempLog();
    return RenumberResult::kOtherLogPending;
  }
  // Pass 1: the log in time order into QVLKTEMP, band-change entries left out.
  const std::int32_t total = fm_.RecordCount(log_);
  port.ProgressBegin("Neunummerierung", total);
  bool ok = fm_.EmptyFileBlock(temp_) == 0 && fm_.BeginFill(temp_) == 0;
  std::int32_t done = 0;
  for (int s = ok ? fm_.FirstKey(log_, 1) : 1; s == 0 && ok; s = fm_.NextKey(log_, 1)) {
    ConstBytes r = fm_.RecordBuffer(log_);
    if (++done % 10 == 0) port.ProgressStep(done);
    if (GetU8(r, qso::kQsyBand.offset) != 0) continue;
    Bytes t = fm_.RecordBuffer(temp_);
    std::copy(r.begin(), r.end(), t.begin());
    PutI32(t, qso::kEntryNo.offset, 0);
    ok = fm_.AddRecord(temp_) == 0;
  }
  ok = fm_.Status() <= 1 && ok;
  ok = fm_.EndFill(temp_) == 0 && ok;
  ok = ok && fm_.Flush(temp_) == 0;
  port.ProgressEnd();
  if (!ok || !SetPendingRenumbering(number_)) {
    port.Inform(W("Fehler beim Aufbau der temporären Datenbank"));
    SetPendingRenumbering(-1);
    CloseTempLog();
    return RenumberResult::kTempFailed;
  }
  // Pass 2: the log again from QVLKTEMP.
  const RenumberResult r = FillLogFromTemp(port, marks);
  CloseTempLog();
  return r;
}

}  // namespace vek
