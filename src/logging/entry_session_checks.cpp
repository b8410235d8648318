// The checks of the entry session: duplicates under the contest's rule, the
// partner lookups when the call is left, the prefix, the exchange prefill,
// the save check and the call book update after a save.
#include <functional>

#include "base/cp1252.h"
#include "catalogue/catalogue_records.h"
#include "logging/entry_session.h"
#include "logging/entry_session_internal.h"
#include "logging/qso_record.h"
#include "refdata/call_book.h"
#include "refdata/call_sign.h"
#include "refdata/prefix_record.h"

namespace vek {

using namespace entry_detail;

bool EntrySession::IsDuplicate(bool at_save, Text* message) {
  const ContestDefinition& d = ctx_.definition;
  const int rule = d.DupeRule;
  if (rule == 5 && at_save) return false;
  ConstBytes now = record();
  const SuffixTable& suffixes = Suffixes();
  const Text call = GetText(now, qso::kCall);
  const Text k = CallSignPart(call, true, suffixes);
  const Text prefix_part = CallSignPart(call, false, suffixes);
  const std::int32_t time = GetI32(now, qso::kTime.offset), date = GetI32(now, qso::kDate.offset);
  const Text b(1, band_);
  store::FileManager& m = fm();
  store::FileBlock* fb = log_->log();
  store::KeepPosition keep(m, fb);
  const auto walk = [&](int key, const store::Key& prefix, const std::function<bool(ConstBytes)>& same) {
    for (int st = m.SearchKey(fb, key, prefix); st == 0; st = m.NextKey(fb, key)) {
      if (fb->position_text().compare(0, prefix.size(), prefix) != 0) return false;
      ConstBytes r = m.RecordBuffer(fb);
      if (!IsBandChangeEntry(r) && same(r)) return true;
    }
    return false;
  };
  const Text padded = PadRight(k, 14);
  bool dupe = false;
  Text text_de, text_en;
  switch (rule) {
    case 1:
      dupe = walk(9, b + padded + PadRight(mode_, 6), [](ConstBytes) { return true; });
      text_de = "bereits auf Band/Mode vorhanden", text_en = "already exists on band/mode";
      break;
    case 2:
      dupe = walk(9, b + padded, [&](ConstBytes r) {
        return ctx_.contest_code != '9' || CallSignPart(GetText(r, qso::kCall), false, suffixes) == prefix_part;
      });
      text_de = "bereits auf Band vorhanden", text_en = "already exists on band";
      break;
    case 3:
      dupe = walk(2, padded, [&](ConstBytes r) { return (GetText(r, qso::kMode) == "CW") == (mode_ == "CW"); });
      text_de = "bereits in Betriebsart vorhanden", text_en = "already exists on mode";
      break;
    case 4:
      if (ctx_.contest_code == '6') {
        dupe = walk(9, b + padded, [&](ConstBytes r) {
          return (GetI32(r, qso::kTime.offset) < 15 * 3600) == (time < 15 * 3600);
        });
        text_de = "bereits in Band und Periode vorhanden", text_en = "already exists on band and period";
      } else if (ctx_.contest_code == 'h') {
        dupe = walk(9, b + padded, [&](ConstBytes r) { return GetI32(r, qso::kDate.offset) == date; });
        text_de = "bereits in Band und Tag vorhanden", text_en = "already exists on band and day";
      }
      break;
    case 5:
      dupe = m.FindKey(fb, 6, padded) == 0;
      text_de = "bereits vorhanden", text_en = "already exists";
      break;
    default: break;
  }
  if (dupe && message) {
    if (ctx_.english) {
      *message = "Call " + text_en;
    } else {
      *message = at_save ? "Call " + text_de : "Call " + k + " " + text_de;
    }
  }
  return dupe;
}

bool EntrySession::CheckCallChange() {
  Bytes r = Buffer();
  const Text call = GetText(r, qso::kCall);
  const bool fixed = GetU8(r, qso::kPrefixFixed.offset) != 0;
  if (call != previous_call_) {
    previous_call_ = call;
    if (!fixed) {
      PutText(r, qso::kCountryPrefix, "");
      PutText(r, qso::kWpxPrefix, "");
    }
    if (!call.empty()) {
      std::vector<std::uint8_t> copy(r.begin(), r.end());
      store::FileManager& m = fm();
      store::FileBlock* fb = log_->log();
      const SuffixTable& suffixes = Suffixes();
      const Text base = CallSignPart(call, true, suffixes);
      // Name and QTH both empty read as ";": nothing the operator typed.
      const Text own = GetText(copy, qso::kNameQth);
      if (m.FindKey(fb, 6, PadRight(base, 14)) == 0 && (own.empty() || own == ";"))
        PutText(copy, qso::kNameQth, GetText(m.RecordBuffer(fb), qso::kNameQth));
      std::copy(copy.begin(), copy.end(), Buffer().begin());
      Text message;
      if (IsDuplicate(false, &message)) {
        ctx_.port->Beep();
        ctx_.port->Inform(message);
        prefix_chosen_ = false;
        cached_name_.clear();
        cached_qth_.clear();
        NewQso(0);
        return false;
      }
      cached_name_.clear();
      cached_qth_.clear();
      // What the suite's call databases know about the partner.
      const Text key = PadRight(Cut(base, 10), 10);
      if (store::FileBlock* book = ctx_.files->OpenSuiteFile(SuiteFile::kCallBook)) {
        if (m.FindKey(book, 1, key) == 0) {
          cached_name_ = FixCodePage(GetText(m.RecordBuffer(book), call_book::kName));
          cached_qth_ = GetText(m.RecordBuffer(book), call_book::kQth);
        }
        ctx_.files->CloseSuiteFile(SuiteFile::kCallBook);
      }
      if (cached_name_.empty()) {
        if (store::FileBlock* list = ctx_.files->OpenSuiteFile(SuiteFile::kCallList)) {
          if (m.FindKey(list, 1, key) == 0) cached_name_ = FixCodePage(GetText(m.RecordBuffer(list), call_list::kName));
          ctx_.files->CloseSuiteFile(SuiteFile::kCallList);
        }
      }
    }
  }
  if (GetU8(record(), qso::kPrefixFixed.offset) == 0 && !DoPrefixLookup()) {
    ctx_.port->Beep();
    ctx_.port->Inform(ctx_.english ? "prefix not found" : W("Präfix unbekannt"));
  }
  return true;
}

bool EntrySession::DoPrefixLookup() {
  Bytes r = Buffer();
  if (GetU8(r, qso::kPrefixFixed.offset) != 0) return true;
  const ContestDefinition& d = ctx_.definition;
  const Text call = GetText(r, qso::kCall);
  bool found = prefix_chosen_ && !GetText(r, qso::kCountryPrefix).empty();
  std::vector<std::uint8_t> entry;
  if (!found && call.size() >= 3) {
    const std::int32_t date = GetI32(r, qso::kDate.offset);
    PrefixResult res = prefixes_->LookupPrefix(call, date > 0 ? date : ctx_.clock->NowUtc().day);
    found = res.status == PrefixStatus::kFound && !res.record.empty();
    if (res.chosen) prefix_chosen_ = true;
    entry = std::move(res.record);
    r = Buffer();
  }
  bool ok;
  if (found || d.MultiplierKinds.test(1)) {
    if (!entry.empty() || d.MultiplierKinds.test(1)) {
      if (GetText(r, qso::kCountryPrefix).empty() || d.MultiplierKinds.test(1)) {
        Text p;
        if (d.MultiplierKinds.test(14) && !entry.empty()) {
          p = GetText(entry, prefix_record::kAlternative);
          if (p.empty()) p = GetText(entry, prefix_record::kDxccPrefix);
        } else if (d.MultiplierKinds.test(1)) {
          // The call's own prefix: up to the first digit and the digits after it.
          std::size_t i = 1;
          while (i < call.size() && !IsAsciiDigit(call[i])) ++i;
          while (i < call.size() && IsAsciiDigit(call[i])) ++i;
          p = call.substr(0, std::min(i, call.size()));
        } else {
          p = GetText(entry, prefix_record::kDxccPrefix);
        }
        PutText(r, qso::kCountryPrefix, Cut(p, 6));
      }
      if (!entry.empty()) PutText(r, qso::kContinent, Cut(GetText(entry, prefix_record::kContinent), 2));
    }
    PutU8(r, qso::kMark172.offset, 0);
    ok = true;
  } else {
    PutText(r, qso::kCountryPrefix, "");
    PutText(r, qso::kContinent, "");
    PutU8(r, qso::kMark172.offset, 0);
    ok = call.size() < 3;
  }
  if (ok) PutU16(r, qso::kPoints.offset, static_cast<std::uint16_t>(QsoPoints(r, totals_->context())));
  return ok;
}

// The partner's entries in the call book and the call list (empty when none).
EntrySession::PartnerEntries EntrySession::LookUpPartner(const Text& base) {
  store::FileManager& m = fm();
  const Text key = PadRight(Cut(base, 10), 10);
  PartnerEntries p;
  if (store::FileBlock* fb = ctx_.files->OpenSuiteFile(SuiteFile::kCallBook)) {
    if (m.FindKey(fb, 1, key) == 0) p.book.assign(m.RecordBuffer(fb).begin(), m.RecordBuffer(fb).end());
    ctx_.files->CloseSuiteFile(SuiteFile::kCallBook);
  }
  if (store::FileBlock* fb = ctx_.files->OpenSuiteFile(SuiteFile::kCallList)) {
    if (m.FindKey(fb, 1, key) == 0) p.list.assign(m.RecordBuffer(fb).begin(), m.RecordBuffer(fb).end());
    ctx_.files->CloseSuiteFile(SuiteFile::kCallList);
  }
  return p;
}

// The member list "qcwa.csv" beside the program, read once per session.
void EntrySession::LoadQcwaList() {
  if (qcwa_loaded_) return;
  qcwa_loaded_ = true;
  const std::string text = store::ReadWholeFile(fm().file_system(), ctx_.program_folder + "qcwa.csv");
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    Text line = TrimBlanks(text.substr(at, end - at));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto semi = line.find(';');
    if (semi != Text::npos) qcwa_.emplace_back(line.substr(0, semi), line.substr(semi + 1));
    at = end + 1;
  }
}

// What the partner sent last time, from the call book, the call list or
// the member list, into the received fields that carry it.
void EntrySession::PrefillExchange() {
  FormToRecord();
  const ContestDefinition& d = ctx_.definition;
  const char code = ctx_.contest_code;
  const Text base = CallSignPart(GetText(record(), qso::kCall), true, Suffixes());
  const PartnerEntries partner = LookUpPartner(base);
  const auto from = [&](const std::vector<std::uint8_t>& rec, const FieldSpec& f) {
    return rec.empty() ? Text() : TrimBlanks(GetText(rec, f));
  };
  const std::int32_t kinds[3] = {d.RcvdKind1, d.RcvdKind2, d.RcvdKind3};
  bool changed = false;
  const auto replace_kind = [&](int kind, const Text& value) {
    for (int i = 0; i < 3; ++i) {
      if (kinds[i] != kind) continue;
      Mut(kRcvdRow[i + 1]).text = Cut(value, 21);
      changed = true;
    }
  };
  const auto replace_item = [&](int item, const Text& value) {
    Mut(kRcvdRow[item - 1]).text = Cut(value, 21);
    PutText(Buffer(), qso::kSecondCall, Cut(value, 12));
    changed = true;
  };
  if (const Text dok = PrefilledDok(partner, from); !dok.empty()) replace_kind(4, dok);
  if (d.RcvdKind1 == 8 || d.RcvdKind2 == 8) {
    const Text area = Cut(from(partner.book, call_book::kDok), 8);
    if (!area.empty()) replace_kind(8, area);
  }
  if ((d.RcvdKind1 == 16 && (code == '7' || code == 'f')) || (d.RcvdKind2 == 16 && code == 'f')) {
    const Text n = PrefilledClubNumber(partner, from);
    if (!n.empty()) replace_item(d.RcvdKind1 == 16 ? 2 : 3, n);
  }
  if (d.RcvdKind1 == 19 && code == 'i') {
    const Text n = PrefilledNavalNumber(partner, from);
    if (!n.empty()) replace_item(2, n);
  }
  if (d.RcvdKind1 == 19 && code == 'k') {
    const Text n = PrefilledQcwaNumber(base);
    if (!n.empty()) replace_item(2, n);
  }
  if (changed) {
    FormToRecord();
    EvaluateEntryMultipliers();
  }
  RecordToForm();
}

Text EntrySession::PrefilledDok(const PartnerEntries& p, const FieldReader& from) const {
  const ContestDefinition& d = ctx_.definition;
  if (d.RcvdKind1 != 4 && d.RcvdKind2 != 4) return {};
  Text dok = Cut(from(p.book, call_book::kDok), 8);
  if (dok.empty()) dok = from(p.list, call_list::kDok);
  return dok;
}

// The DIG (code 7) or AGCW (code f) number; "0" is no number.
Text EntrySession::PrefilledClubNumber(const PartnerEntries& p, const FieldReader& from) const {
  const bool dig = ctx_.contest_code == '7';
  Text n = from(p.book, dig ? call_book::kDigNumber : call_book::kAgcwNumber);
  if (n == "0") n.clear();
  if (n.empty()) n = from(p.list, dig ? call_list::kDigNumber : call_list::kAgcwNumber);
  if (n == "0") n.clear();
  return n;
}

// A Naval number that starts with a digit gets "MF" in front.
Text EntrySession::PrefilledNavalNumber(const PartnerEntries& p, const FieldReader& from) const {
  const auto naval = [](Text v) {
    if (!v.empty() && IsAsciiDigit(v[0])) v = Cut("MF" + v, 8);
    return v == "MF" || v == "MF0" ? Text() : v;
  };
  Text n = naval(from(p.book, call_book::kNavalNumber));
  if (n.empty()) n = naval(from(p.list, call_list::kNavalNumber));
  return n;
}

Text EntrySession::PrefilledQcwaNumber(const Text& base) {
  LoadQcwaList();
  for (const auto& [call, number] : qcwa_) {
    if (call != base) continue;
    Text n = number;
    const auto semi = n.find(';');
    if (semi != Text::npos) n = n.substr(semi + 1);
    return Cut(n, 8);
  }
  return {};
}

bool EntrySession::CanSave() {
  FormToRecord();
  ConstBytes r = record();
  if (GetI32(r, qso::kDate.offset) <= 0 || GetI32(r, qso::kTime.offset) <= 0) return false;
  const SuffixTable& suffixes = Suffixes();
  const Text base = CallSignPart(TrimBlanks(GetText(r, qso::kCall)), true, suffixes);
  if (base.size() < 3) return false;
  if (base[0] == 'D' && base.size() < 4) return false;
  if (IsAsciiDigit(base[0]) && IsAsciiDigit(base[1])) return false;
  if (base.size() >= 3 && !IsAsciiDigit(base[0]) && !IsAsciiDigit(base[1]) && !IsAsciiDigit(base[2])) return false;
  const ContestDefinition& d = ctx_.definition;
  if (d.SentFieldsShown && GetText(r, qso::kSecondCall).empty()) return false;
  Text message;
  if (IsDuplicate(true, &message)) {
    ctx_.port->Beep();
    ctx_.port->Inform(message);
    return false;
  }
  const DokRegion& region = d.RequiredRegion;
  bool any_district = false;
  for (char c : region.Districts) any_district = any_district || c != 0;
  if (!region.Doks[0].empty() || any_district) {
    const Text dok = LoadRcvdDok(record());
    bool passes = !region.Doks[0].empty() && region.HoldsDok(dok);
    if (!passes && any_district) passes = !dok.empty() && region.HoldsDistrict(dok[0]);
    if (!passes) {
      if (!dok.empty()) {
        char first = 0;
        for (char c : region.Districts)
          if (c && !first) first = c;
        ctx_.port->Inform(W("Station muß aus Distrikt ") + Text(1, first) + " sein. Bitte Kontestregeln beachten.");
      }
      return false;
    }
  }
  return true;
}

void EntrySession::UpdateCallBook() {
  ConstBytes saved = last_saved_;
  const Text call = GetText(saved, qso::kCall);
  if (call.size() <= 2) return;
  const SuffixTable& suffixes = Suffixes();
  const Text base = CallSignPart(call, true, suffixes);
  const char code = ctx_.contest_code;
  const Text rcvd = LoadRcvdExchange(saved);
  const ExchangeItems items = SplitExchange(rcvd, Widths(false));
  if (code == 'k') {
    if (!items.item2.empty()) {
      bool known = false;
      for (const auto& [c, n] : qcwa_) known = known || c == base;
      if (!known) {
        qcwa_.emplace_back(base, items.item2);
        qcwa_changed_ = true;
      }
    }
  }
  store::FileManager& m = fm();
  store::FileBlock* book = ctx_.files->OpenSuiteFile(SuiteFile::kCallBook);
  if (!book) return;
  const Text key = PadRight(Cut(base, 10), 10);
  if (m.FindKey(book, 1, key) != 0) {
    m.ClearRecord(book);
    PutText(m.RecordBuffer(book), call_book::kCall, Cut(base, 10));
    if (m.AddRecord(book) != 0) {
      ctx_.port->Inform(W("Das Call-Buch konnte nicht ergänzt werden; der Kontakt ist gespeichert."));
      ctx_.files->CloseSuiteFile(SuiteFile::kCallBook);
      return;
    }
  }
  // Every field into the buffer, then one write: the entry is changed
  // whole or not at all.
  bool changed = false;
  const auto put = [&](const FieldSpec& f, const Text& v) {
    PutText(m.RecordBuffer(book), f, Cut(v, f.width - 1));
    changed = true;
  };
  const Text dok = LoadRcvdDok(saved);
  if (!GetText(saved, qso::kDokHead).empty()) put(call_book::kDok, dok);
  if (code == '7') put(call_book::kDigNumber, items.item2);
  if (code == 'f') put(call_book::kAgcwNumber, items.item3);
  if (code == 'i' && !items.item2.empty() && items.item2[0] == 'M' && items.item2.size() > 2)
    put(call_book::kNavalNumber, items.item2.substr(2));
  const Text nq = GetText(saved, qso::kNameQth);
  const auto semi = nq.find(';');
  const Text name = TrimBlanks(nq.substr(0, semi)), qth = semi == Text::npos ? Text() : TrimBlanks(nq.substr(semi + 1));
  if (!name.empty()) put(call_book::kName, name);
  if (!qth.empty()) put(call_book::kQth, qth);
  if (changed && m.PutRecord(book) != 0)
    ctx_.port->Inform(W("Das Call-Buch konnte nicht ergänzt werden; der Kontakt ist gespeichert."));
  ctx_.files->CloseSuiteFile(SuiteFile::kCallBook);
}

}  // namespace vek
