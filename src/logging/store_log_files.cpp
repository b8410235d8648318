#include "logging/store_log_files.h"

#include "base/cp1252.h"
#include "logging/qso_record.h"
#include "store/file_block_opener.h"

namespace vek {
namespace {

constexpr std::int32_t kWorkLog = 9999;

// Fields taken over from an older record, each at its own offset and width.
struct Span {
  std::size_t offset, width;
};
constexpr Span kTakenOver[] = {{4, 4},    {8, 13},   {21, 7},   {28, 4},   {32, 4},   {36, 7},   {43, 8},
                               {51, 8},   {59, 7},   {66, 4},   {70, 7},   {77, 7},   {84, 31},  {115, 1},
                               {116, 3},  {119, 3},  {122, 3},  {125, 7},  {132, 1},  {133, 4},  {137, 2},
                               {139, 1},  {140, 13}, {160, 4},  {164, 1},  {165, 1},  {166, 4},  {170, 1},
                               {171, 1},  {172, 1},  {173, 10}, {183, 10}, {193, 1}};

}  // namespace

void StoreLogFiles::Remove(const std::string& name) {
  // The count stored beside a log goes with it.
  for (const char* ext : {".DAT", ".IX", ".VAR", ".CNT"}) fm_.file_system().Remove(name + ext);
}

std::int32_t StoreLogFiles::CountRecords(const std::string& name, std::int32_t number, bool old_layout) {
  if (!fm_.file_system().Exists(name + ".DAT")) return 0;
  store::FileBlockOpener opener(fm_);
  store::FileBlock* fb = opener.Open(old_layout ? qso::OldLogSpec(number) : qso::LogSpec(number));
  if (!fb) return -1;
  const std::int32_t n = fm_.RecordCount(fb);
  opener.Close(fb);
  return n;
}

bool StoreLogFiles::EmptyLog(std::int32_t log_number) {
  const std::string name = qso::LogFileName(log_number);
  store::FileBlock* fb = fm_.OpenFileBlock(name, name, qso::kLength, qso::kLength, nullptr, qso::kKeyCount, nullptr);
  if (!fb) return false;
  const bool emptied = fm_.EmptyFileBlock(fb) == 0;
  fm_.CloseFileBlock(fb);
  return emptied;
}

void StoreLogFiles::ConvertOlderLog(std::int32_t number, bool english) {
  const std::string old_name = qso::OldLogFileName(number);
  const std::string work_name = qso::LogFileName(kWorkLog);
  const std::string target_name = qso::LogFileName(number);
  store::OsFileSystem& fs = fm_.file_system();
  if (!fs.Exists(old_name + ".DAT")) {
    port_.Inform(english ? "There is no older log " + old_name + " for this entry."
                         : W("Zu diesem Eintrag gibt es kein älteres Log ") + old_name + ".");
    return;
  }
  const std::int32_t leftover = CountRecords(work_name, kWorkLog, false);
  if (leftover != 0) {
    port_.Inform(W("Eine frühere Konvertierung ist nicht abgeschlossen: ") + work_name +
                 W(" enthält noch QSOs. Die Konvertierung wird nicht ausgeführt."));
    return;
  }
  const std::int32_t existing = CountRecords(target_name, number, false);
  if (existing != 0) {
    port_.Inform(W("Das Log ") + target_name + W(" enthält bereits QSOs. Die Konvertierung wird nicht ausgeführt."));
    return;
  }
  Remove(work_name);

  store::FileBlockOpener opener(fm_);
  store::FileBlock* old_log = opener.Open(qso::OldLogSpec(number));
  if (!old_log) return;
  store::FileBlock* work = opener.Open(qso::LogSpec(kWorkLog));
  if (!work) {
    opener.Close(old_log);
    return;
  }
  // Filled in bulk: one index build at the end instead of an insert per
  // record and key.
  bool ok = fm_.BeginFill(work) == 0;
  for (int s = ok ? fm_.FirstKey(old_log, 1) : 1; s == 0 && ok; s = fm_.NextKey(old_log, 1)) {
    ConstBytes from = fm_.RecordBuffer(old_log);
    fm_.ClearRecord(work);
    Bytes to = fm_.RecordBuffer(work);
    for (const Span& span : kTakenOver)
      std::copy_n(from.begin() + static_cast<std::ptrdiff_t>(span.offset), span.width,
                  to.begin() + static_cast<std::ptrdiff_t>(span.offset));
    PutI32(to, qso::kEntryNo.offset, 0);  // the store numbers the entries anew
    ok = fm_.AddRecord(work) == 0;
  }
  ok = ok && fm_.Status() <= 1;
  ok = fm_.EndFill(work) == 0 && ok;
  opener.Close(work);
  if (!ok || fm_.Status() > 1) {
    opener.Close(old_log);
    Remove(work_name);
    port_.Inform(W("Die Konvertierung ist fehlgeschlagen; das ältere Log bleibt unverändert."));
    return;
  }
  // The new log takes the catalogue entry's number; its index is built on
  // first use from the records.
  Remove(target_name);
  if (fs.Rename(work_name + ".DAT", target_name + ".DAT") != 0) {
    opener.Close(old_log);
    Remove(work_name);
    port_.Inform(W("Die Konvertierung ist fehlgeschlagen; das ältere Log bleibt unverändert."));
    return;
  }
  fs.Remove(work_name + ".IX");
  fm_.EmptyFileBlock(old_log);
  opener.Close(old_log);
  port_.Inform(english ? "Conversion ok !" : "Konvertierung erfolgreich!");
}

}  // namespace vek
