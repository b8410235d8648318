// Correction and deletion of logged contacts from the QSO lists: the
// dialog's fields, taking them over, the decision whether the score may have
// changed, and what follows a change of the log.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "logging/entry_session.h"
#include "logging/entry_session_internal.h"
#include "logging/qso_record.h"
#include "refdata/bands.h"
#include "store/keys.h"

namespace vek {

using namespace entry_detail;

namespace {

Text ShowFreq(float mhz) {
  if (mhz <= 0) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", static_cast<double>(mhz));
  return buf;
}

}  // namespace

std::int32_t EntrySession::EntryOfSerial(std::int32_t serial) {
  store::KeepRecordBuffer keep(fm(), log_->log());
  if (fm().FindKey(log_->log(), 13, store::LongToKey(serial)) != 0) return 0;
  return GetI32(record(), qso::kEntryNo.offset);
}

std::optional<CorrectionFields> EntrySession::BeginEdit(std::int32_t entry_no) {
  store::KeepRecordBuffer keep(fm(), log_->log());
  if (fm().FindKey(log_->log(), 4, store::LongToKey(entry_no)) != 0) return std::nullopt;
  ConstBytes r = record();
  if (IsBandChangeEntry(r)) return std::nullopt;
  const ContestDefinition& d = ctx_.definition;
  CorrectionFields f;
  f.serial = GetI32(r, qso::kSerialNo.offset);
  f.call = GetText(r, qso::kCall);
  f.call2 = GetText(r, qso::kSecondCall);
  f.sent = SplitExchange(LoadSentExchange(r), {3, 10, 10, 10});
  f.rcvd = SplitExchange(LoadRcvdExchange(r), {3, 21, 21, 21});
  // The member numbers of these contests are shown from secondCall.
  const char code = ctx_.contest_code;
  if (code == '7' || code == 'i' || code == 'k') f.rcvd.item2 = GetText(r, qso::kSecondCall);
  if (code == 'f') f.rcvd.item3 = GetText(r, qso::kSecondCall);
  f.mode = GetText(r, qso::kMode);
  f.band = BandName(static_cast<char>(GetU8(r, qso::kBand.offset)), false);
  const std::int32_t date = GetI32(r, qso::kDate.offset), time = GetI32(r, qso::kTime.offset);
  f.date = date > 0 ? FormatDate(date, DateForm::kDdMmYyyy) : Text();
  f.time = time >= 0 ? FormatTime(time, TimeForm::kHhMmSs) : Text();
  const char qs = static_cast<char>(GetU8(r, qso::kQslSent.offset)), qr = static_cast<char>(GetU8(r, qso::kQslRcvd.offset));
  f.qsl_sent = qs ? Text(1, qs) : Text();
  f.qsl_rcvd = qr ? Text(1, qr) : Text();
  f.prefix = GetText(r, d.MultiplierKinds.test(1) ? qso::kWpxPrefix : qso::kCountryPrefix);
  const Text nq = GetText(r, qso::kNameQth);
  const auto semi = nq.find(';');
  f.name = nq.substr(0, semi);
  f.qth = semi == Text::npos ? Text() : nq.substr(semi + 1);
  f.freq = ShowFreq(GetF32(r, qso::kFreqMHz.offset));
  return f;
}

bool EntrySession::FinishEdit(std::int32_t entry_no, const CorrectionFields& f, Bytes qvkk, Bytes qvkz) {
  store::FileManager& m = fm();
  store::FileBlock* fb = log_->log();
  // The contact being entered waits in the buffer meanwhile.
  store::KeepRecordBuffer entry(m, fb);
  if (m.FindKey(fb, 4, store::LongToKey(entry_no)) != 0 || IsBandChangeEntry(record())) return false;
  const std::vector<std::uint8_t> before(record().begin(), record().end());
  const ContestDefinition& d = ctx_.definition;
  const char code = ctx_.contest_code;
  Bytes r = Buffer();
  PutText(r, qso::kCall, Cut(Cp1252Upper(TrimBlanks(f.call)), 12));
  PutText(r, qso::kSecondCall, Cut(f.call2, 12));
  StoreSentExchange(r, JoinExchange(f.sent));
  StoreRcvdExchange(r, JoinExchange(f.rcvd));
  if (code == '7' || code == 'i' || code == 'k') PutText(r, qso::kSecondCall, Cut(f.rcvd.item2, 12));
  if (code == 'f') PutText(r, qso::kSecondCall, Cut(f.rcvd.item3, 12));
  // The mode, the band and the date come before the lookups that use them.
  PutText(r, qso::kMode, Cut(Cp1252Upper(f.mode), 6));
  const char band = BandCodeFromText(f.band);
  if (IsBandCode(band) && d.HasBand(band)) PutU8(r, qso::kBand.offset, static_cast<std::uint8_t>(band));
  if (const auto date = ParseDate(TrimBlanks(f.date), DateForm::kDdMmYyyy, 2000)) PutI32(r, qso::kDate.offset, *date);
  Text time = TrimBlanks(f.time);
  if (time.size() == 5) time += ":00";
  if (const auto t = ParseTime(time, TimeForm::kHhMmSs)) PutI32(r, qso::kTime.offset, *t);
  PutU8(r, qso::kQslSent.offset, f.qsl_sent.empty() ? 0 : static_cast<std::uint8_t>(f.qsl_sent[0]));
  PutU8(r, qso::kQslRcvd.offset, f.qsl_rcvd.empty() ? 0 : static_cast<std::uint8_t>(f.qsl_rcvd[0]));
  PutText(r, d.MultiplierKinds.test(1) ? qso::kWpxPrefix : qso::kCountryPrefix, Cut(f.prefix, 6));
  prefix_chosen_ = false;
  DoPrefixLookup();
  // The received items by their kinds; here every wrong text is reported.
  const std::int32_t kinds[3] = {d.RcvdKind1, d.RcvdKind2, d.RcvdKind3};
  const Text items[3] = {f.rcvd.item2, f.rcvd.item3, f.rcvd.item4};
  for (int i = 0; i < 3; ++i) {
    const Text text = TrimBlanks(items[i]);
    if ((kinds[i] == 5 || kinds[i] == 6) && text.size() <= 3) continue;
    ApplyReceivedKind(kinds[i], text, kRcvdRow[i + 1], true);
  }
  r = Buffer();
  PutText(r, qso::kNameQth, Cut(TrimBlanks(f.name) + ";" + TrimBlanks(f.qth), 30));
  Text freq = TrimBlanks(f.freq);
  std::replace(freq.begin(), freq.end(), ',', '.');
  if (!freq.empty()) {
    const double mhz = NormaliseFrequency(std::atof(freq.c_str()));
    const char fband = BandCodeOfFrequency(mhz);
    PutF32(r, qso::kFreqMHz.offset, static_cast<float>(
        IsBandCode(fband) ? mhz : BandStartFrequency(Text(1, static_cast<char>(GetU8(r, qso::kBand.offset))))));
  } else {
    PutF32(r, qso::kFreqMHz.offset, 0);
  }
  PutU16(r, qso::kPoints.offset, static_cast<std::uint16_t>(QsoPoints(r, totals_->context())));
  // Whether the score may have changed.
  const auto changed = [&](const FieldSpec& field) { return GetText(before, field) != GetText(r, field); };
  const auto& k = d.MultiplierKinds;
  bool rescore = (k.test(10) && changed(qso::kCall)) || (k.test(2) && changed(qso::kCountryPrefix)) ||
                 ((k.test(12) || k.test(15)) && changed(qso::kDistrictCode)) ||
                 ((k.test(16) || k.test(19)) && changed(qso::kSecondCall)) ||
                 ((k.test(5) || k.test(6)) && changed(qso::kLocator));
  if (!rescore && (k.test(4) || k.test(8) || k.test(17))) rescore = LoadRcvdDok(before) != LoadRcvdDok(r);
  if (!rescore && k.test(1)) rescore = changed(qso::kWpxPrefix);
  if (!rescore)
    rescore = LoadSentExchange(before) != LoadSentExchange(r) || GetU8(before, qso::kBand.offset) != GetU8(r, qso::kBand.offset) ||
              changed(qso::kMode);
  if (m.PutRecord(fb) != 0) {
    // Nothing of the correction is in the log, and the totals stay as they were.
    ctx_.port->Inform(W("Die Änderung konnte nicht gespeichert werden."));
    totals_->WithdrawEntryMultipliers();
    return false;
  }
  totals_->WithdrawEntryMultipliers();
  if (rescore || code == '7' || code == 'f' || code == 'k') AfterLogChange(qvkk, qvkz);
  return rescore;
}

bool EntrySession::DeleteQso(std::int32_t entry_no, Bytes qvkk, Bytes qvkz) {
  store::FileManager& m = fm();
  store::FileBlock* fb = log_->log();
  Text call;
  {
    store::KeepRecordBuffer keep(m, fb);
    if (m.FindKey(fb, 4, store::LongToKey(entry_no)) != 0 || IsBandChangeEntry(record())) return false;
    call = GetText(record(), qso::kCall);
  }
  ctx_.port->Inform(
      W("Durch das Löschen eines Eintrages werden die Nummern aller nachfolgenden Einträge um 1 verringert."));
  if (!ctx_.port->AskYesNo("Eintrag " + Cut(call, 20) + W(" löschen?"), "Sicherheitsabfrage")) return false;
  if (m.FindKey(fb, 4, store::LongToKey(entry_no)) != 0 || m.DeleteRecord(fb) != 0) return false;
  AfterLogChange(qvkk, qvkz);
  NewQso(0);
  return true;
}

void EntrySession::AfterLogChange(Bytes qvkk, Bytes qvkz) {
  log_->RenumberLog(ctx_.definition, *ctx_.port, totals_.get());
  totals_->RecalculateTotals(true);
  totals_->StoreLogSummary(qvkk, qvkz, ctx_.log.TotalsInExtraRecord, *ctx_.port);
  next_ = log_->NextRunningNumbers(band_, mode_);
}

}  // namespace vek
