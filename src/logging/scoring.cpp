#include "logging/scoring.h"

#include "catalogue/contest_table.h"

#include <algorithm>
#include <cstdlib>

#include "base/text.h"
#include "logging/contest_log.h"
#include "logging/qso_record.h"
#include "refdata/call_sign.h"

namespace vek {
namespace {

bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool StartsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

bool LetterTwoDigits(std::string_view d) { return d.size() == 3 && IsLetter(d[0]) && IsDigit(d[1]) && IsDigit(d[2]); }

// "DP0EPO"; D + A/C/F/K/L/N/O + 0; D + Q or R; four characters D + A..R.
bool IsClubCall(std::string_view call) {
  if (call == "DP0EPO") return true;
  if (call.size() >= 3 && call[0] == 'D' && std::string_view("ACFKLNO").find(call[1]) != std::string_view::npos &&
      call[2] == '0')
    return true;
  if (call.size() >= 2 && call[0] == 'D' && (call[1] == 'Q' || call[1] == 'R')) return true;
  return call.size() == 4 && call[0] == 'D' && call[1] >= 'A' && call[1] <= 'R';
}

bool IsOneOf(std::string_view s, std::initializer_list<std::string_view> list) {
  return std::find(list.begin(), list.end(), s) != list.end();
}

// Field points of contest g: 1 in the own 4-character field, one more for
// each further ring.
int FieldPoints(std::string_view own, std::string_view partner) {
  if (own.size() < 4 || partner.size() < 4) return 0;
  const auto u = [](char c) { return static_cast<int>(static_cast<unsigned char>(c)); };
  const int dx = std::abs((10 * u(own[0]) + u(own[2])) - (10 * u(partner[0]) + u(partner[2])));
  const int dy = std::abs((10 * u(own[1]) + u(own[3])) - (10 * u(partner[1]) + u(partner[3])));
  return 1 + std::max(dx, dy);
}

bool HomeDok(std::string_view dok, const ContestDefinition& d) {
  return d.HomeRegion.HoldsDok(dok) || IsDistrictDok(dok, d.HomeRegion);
}

bool Portable(std::string_view call) {
  for (std::string_view p : {"/p", "/P", "/m", "/M", "/mm", "/MM", "/am", "/AM"})
    if (call.find(p) != std::string_view::npos) return true;
  return false;
}

int Capped(std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, 0, 65535)); }

}  // namespace

bool IsDistrictDok(std::string_view dok, const DokRegion& region) {
  return LetterTwoDigits(dok) && region.HoldsDistrict(dok[0]);
}

bool IsBandChangeEntry(ConstBytes r) { return GetU8(r, qso::kQsyBand.offset) != 0; }

namespace {
constexpr std::array<const FieldSpec*, 8> kBandChangeFreeFields = {
    &qso::kCountryPrefix, &qso::kContinent, &qso::kWpxPrefix, &qso::kDokHead,
    &qso::kDokTail,       &qso::kLocator,   &qso::kSecondCall, &qso::kDistrictCode};
}  // namespace

bool BandChangeEntryCarriesValues(ConstBytes r) {
  return std::any_of(kBandChangeFreeFields.begin(), kBandChangeFreeFields.end(),
                     [&](const FieldSpec* f) { return !GetText(r, *f).empty(); });
}

void ClearBandChangeValues(Bytes r) {
  for (const FieldSpec* f : kBandChangeFreeFields) PutText(r, *f, "");
}

bool DokQualifies(std::string_view dok, const ScoringContext& c) {
  const ContestDefinition& d = *c.definition;
  if (d.MultiplierKinds.test(8) || d.MultiplierKinds.test(17)) return true;
  if (!d.ExcludedDok.empty() && dok == d.ExcludedDok) return false;
  const bool list_empty = d.MultiplierRegion.Doks[0].empty();
  if (list_empty || d.MultiplierRegion.HoldsDok(dok)) return true;
  bool any_district = false;
  for (char l : d.MultiplierRegion.Districts) any_district = any_district || l != 0;
  if (!any_district) return false;
  return IsDistrictDok(dok, d.MultiplierRegion) && dok != "M26" && dok != "M29";
}

namespace {

// What the points rules read of a contact.
struct Contact {
  ConstBytes record;
  const ScoringContext& c;
  const ContestDefinition& d;
  Text call, dok, rcvd, item2, continent;
  char band;
  std::int32_t qrb;
  bool short_call;  // fewer than 3 characters
  int cls;
  bool own_dok;

  Contact(ConstBytes r, const ScoringContext& ctx)
      : record(r), c(ctx), d(*ctx.definition), call(GetText(r, qso::kCall)), dok(LoadRcvdDok(r)),
        rcvd(LoadRcvdExchange(r)), item2(rcvd.size() > 3 ? rcvd.substr(3) : Text()),
        continent(GetText(r, qso::kContinent)), band(static_cast<char>(GetU8(r, qso::kBand.offset))),
        qrb(GetI32(r, qso::kQrbKm.offset)), short_call(call.size() < 3), cls(ctx.class_number),
        // Two empty DOKs are the same only where contest g's rule says so.
        own_dok(dok == ctx.own_dok && (!dok.empty() || ctx.code == 'g')) {}
};

int FieldRings(const Contact& q) {
  if (q.own_dok) return 0;
  const int field = FieldPoints(q.c.own_locator, GetText(q.record, qso::kLocator));
  if (LetterTwoDigits(q.dok)) return field;
  if (q.c.code == 'g') return q.dok.size() >= 2 && q.d.HomeRegion.HoldsDok(q.dok) ? field + 10 : field;
  return q.dok.size() >= 2 ? field + 10 : field;
}

int Df0wnAndDokN(const Contact& q) {
  if (q.short_call) return 1;
  if (q.call == "DF0WN") return 6;
  if ((q.dok.size() == 2 || q.dok.size() == 3) && q.dok.back() == 'N') return 3;
  return IsClubCall(q.call) ? 2 : 1;
}

int Df0wnAndClubCalls(const Contact& q) {
  if (q.short_call) return 1;
  if (q.call == "DF0WN") return 10;
  return IsClubCall(q.call) ? 5 : 1;
}

int FiveStationsAndClubCalls(const Contact& q) {
  if (q.short_call) return 0;
  if (IsOneOf(q.call, {"DL0JRR", "DL0DRG", "DK0RYL", "DF0KOL", "DL0YLL"})) return 10;
  return IsClubCall(q.call) ? 5 : 1;
}

int SecondExchangeItem(const Contact& q) {
  if (q.call.size() < 2) return 0;
  const auto slash = q.rcvd.find('/');
  return slash != Text::npos && slash + 1 < q.rcvd.size() ? 2 : 1;
}

int HscMemberNumber(const Contact& q) {
  if (StartsWith(q.item2, "NM")) return 1;
  return q.item2.empty() ? 1 : 5;
}

int DigMemberOrDistance(const Contact& q) {
  if (q.short_call) return 10;
  if (q.cls == 3 || q.cls == 4) return Capped(q.qrb);
  const Text n = Cut(q.item2, 4);
  return !TrimBlanks(n).empty() && TrimBlanks(n) != "0" && !StartsWith(n, "NM") ? 10 : 1;
}

int PortableAndContinent(const Contact& q) {
  if (q.short_call) return 0;
  const bool portable = Portable(q.call);
  if (q.cls == 6 && !portable) return 0;
  const bool europe = q.continent == "EU";
  if (portable) return europe ? 4 : 6;
  return europe ? 2 : 3;
}

int OwnDokByClass(const Contact& q) {
  if (!q.c.own_dok.empty() && q.own_dok) return q.cls == 4 ? 1 : 0;
  if (q.cls == 4) return 2;
  if (q.cls == 2 || q.cls == 3) return Capped(q.qrb);
  return 1;
}

int HomeDokOrListener(const Contact& q) {
  if (q.d.SentFieldsShown) return 1;
  if (q.cls != 1 && q.cls != 4) return 3;
  return HomeDok(q.dok, q.d) ? 3 : 1;
}

int DistanceByClassF(const Contact& q) {
  if (q.call.size() <= 2 || q.own_dok) return 0;
  return q.cls == 3 || q.cls == 4 ? Capped(q.qrb) : 1;
}

int DistanceByClassG(const Contact& q) {
  if (q.short_call) return 0;
  if ((q.cls == 7 || q.cls == 8) && q.own_dok) return 0;
  return q.cls >= 3 && q.cls <= 6 ? Capped(q.qrb) : 1;
}

int HolylandAreas(const Contact& q) {
  if (GetText(q.record, qso::kCountryPrefix) != "4X") return 0;
  // A received area is a letter, two digits and a two-letter area code.
  const Text& a = q.dok;
  const bool valid = a.size() == 5 && IsLetter(a[0]) && IsDigit(a[1]) && IsDigit(a[2]) && IsLetter(a[3]) && IsLetter(a[4]);
  if (!a.empty() && !valid) return 0;
  return q.band >= 'a' && q.band <= 'c' ? 2 : 1;
}

int BandFactorAndFieldBonus(const Contact& q) {
  if (q.short_call) return 0;
  std::int64_t p = 0;
  if (q.band >= 'j' && q.band <= 'l') {
    p = std::min<std::int64_t>(q.qrb, 2000);
  } else if (q.band == 'm') {
    p = q.qrb;
  } else {
    const std::string_view factors_for = "nopqs";
    const auto at = factors_for.find(q.band);
    if (at != std::string_view::npos) p = static_cast<std::int64_t>(at + 2) * q.qrb;
  }
  if (q.c.first_in_field && q.c.first_in_field(q.record)) p += 500;
  return Capped(p);
}

int AgeOfPartner(const Contact& q) {
  if (q.short_call) return 0;
  int p;
  if (q.item2 == "00" || q.item2 == "0") {
    p = 100;
  } else if (q.item2 == "XX") {
    p = 20;
  } else {
    p = std::atoi(q.item2.c_str());
  }
  return Capped(p + (StartsWith(q.call, "DN") ? 20 : 0));
}

int HomeDokDvt(const Contact& q) {
  if (q.short_call) return 1;
  if (HomeDok(q.dok, q.d)) return GetText(q.record, qso::kDokHead) == "DVT" ? 10 : 5;
  return 1;
}

int HomeDokByClass(const Contact& q) {
  const bool home = HomeDok(q.dok, q.d);
  if (q.cls == 8 || q.cls == 9) return home ? 1 : 0;
  return home ? 3 : 1;
}

int VfdbStations(const Contact& q) {
  if (IsOneOf(q.call, {"DB0DBP", "DA0DBP", "DL0Z", "DK0Z", "DF0Z", "DA0Z", "DF0DBP", "DK0DBP", "DL0DBP"})) return 10;
  return IsDistrictDok(q.dok, q.d.HomeRegion) || q.d.MultiplierRegion.HoldsDok(q.dok) ? 5 : 1;
}

int ModeFactor(const Contact& q) {
  if (q.call.size() <= 2) return 1;
  const Text mode = GetText(q.record, qso::kMode);
  if (mode == "FM") return 2;
  if (mode == "SSB") return 4;
  if (mode == "CW") return 6;
  return 1;
}

int HomeDokClubCalls(const Contact& q) {
  if (q.short_call) return 0;
  if (HomeDok(q.dok, q.d)) return IsClubCall(q.call) ? 3 : 2;
  return 1;
}

int MicrowaveBands(const Contact& q) {
  if (q.call.size() <= 2 || q.own_dok) return 0;
  if (q.band == 'm') return 2;
  return q.band == 'n' ? 3 : 1;
}

int NavalMember(const Contact& q) {
  if (q.item2.empty() || StartsWith(q.item2, "NM")) return 1;
  return IsDigit(q.item2[0]) ? 1 : 10;
}

int QcwaMember(const Contact& q) {
  if (q.call.size() < 2) return 0;
  if (IsOneOf(q.call, {"DA0QC", "DK0QCW", "DL0QCW"})) return 10;
  return q.item2.size() == 5 ? 5 : 1;
}

bool FirstWithOwnDok(const Contact& q) { return !q.c.first_with_own_dok || q.c.first_with_own_dok(q.record); }

int FirstOwnDok(const Contact& q) { return !q.own_dok || FirstWithOwnDok(q) ? 1 : 0; }

int FirstOwnDokOrClass(const Contact& q) {
  if (q.short_call) return 0;
  if (q.own_dok) return FirstWithOwnDok(q) ? 1 : 0;
  return q.cls == 1 || q.cls == 3 || q.cls == 5 ? 5 : 1;
}

}  // namespace

contest_data::PointsRule PointsRuleOf(char code) {
  const contest_data::ContestRow* row = contest_data::FindContestRow(code);
  return row ? row->points : contest_data::PointsRule::kNone;
}

int QsoPoints(ConstBytes r, const ScoringContext& c) {
  const Contact q(r, c);
  using P = contest_data::PointsRule;
  switch (PointsRuleOf(c.code)) {
    case P::kNone:
    case P::kTwo: return 2;
    case P::kOne: return 1;
    case P::kShortCallZeroElseOne: return q.short_call ? 0 : 1;
    case P::kFieldRings: return FieldRings(q);
    case P::kDf0wnAndDokN: return Df0wnAndDokN(q);
    case P::kDf0wnAndClubCalls: return Df0wnAndClubCalls(q);
    case P::kFiveStationsAndClubCalls: return FiveStationsAndClubCalls(q);
    case P::kSecondExchangeItem: return SecondExchangeItem(q);
    case P::kDnPostcodes: return StartsWith(q.call, "DN") ? 5 : 3;
    case P::kHscMemberNumber: return HscMemberNumber(q);
    case P::kDigMemberOrDistance: return DigMemberOrDistance(q);
    case P::kDistance: return q.short_call ? 0 : Capped(q.qrb);
    case P::kPortableAndContinent: return PortableAndContinent(q);
    case P::kHscRtcStations:
      return IsOneOf(q.call, {"DA0HSC", "DK0HSC", "DL0HSC", "DA0RTC", "DK0RTC", "DL0RTC", "DF0ACW", "DF0AGC",
                              "DL0AGC", "DK0AG", "DL0CWW", "DL0DA"})
                 ? 2
                 : 1;
    case P::kOwnDokByClass: return OwnDokByClass(q);
    case P::kHomeDokOrListener: return HomeDokOrListener(q);
    case P::kEuropeanDistance: return q.short_call || q.continent != "EU" ? 0 : Capped(q.qrb);
    case P::kDistanceByClassF: return DistanceByClassF(q);
    case P::kDistanceByClassG: return DistanceByClassG(q);
    case P::kHolylandAreas: return HolylandAreas(q);
    case P::kIClubCalls: return q.short_call ? 0 : (StartsWith(q.dok, "I") && IsClubCall(q.call) ? 2 : 1);
    case P::kVhfDistance: return q.short_call ? 0 : (q.band == 'k' || q.band == 'l' ? Capped(q.qrb) : 1);
    case P::kBandFactorAndFieldBonus: return BandFactorAndFieldBonus(q);
    case P::kQcwaDistance:
      if (q.short_call) return 1;
      if (q.own_dok) return 0;
      return q.band == 'k' || q.band == 'l' ? Capped(q.qrb) : 1;
    case P::kAgeOfPartner: return AgeOfPartner(q);
    case P::kHomeDokDvt: return HomeDokDvt(q);
    case P::kHomeDokByClass: return HomeDokByClass(q);
    case P::kVfdbStations: return VfdbStations(q);
    case P::kClubBonusWord:
      if (q.short_call) return 0;
      return !q.d.ClubBonusWord.empty() && q.rcvd.find(q.d.ClubBonusWord) != Text::npos ? 5 : 1;
    case P::kModeFactor: return ModeFactor(q);
    case P::kHomeDokClubCalls: return HomeDokClubCalls(q);
    case P::kMicrowaveBands: return MicrowaveBands(q);
    case P::kNavalMember: return NavalMember(q);
    case P::kQcwaMember: return QcwaMember(q);
    case P::kFirstOwnDok: return FirstOwnDok(q);
    case P::kFirstOwnDokOrClass: return FirstOwnDokOrClass(q);
  }
  return 2;
}

bool KindEnabled(MultiKind kind, const ContestDefinition& d) {
  const auto& k = d.MultiplierKinds;
  switch (kind) {
    case MultiKind::kCountry: return k.test(2);
    case MultiKind::kUsState: return k.test(12);
    case MultiKind::kPostcode: return k.test(15);
    case MultiKind::kMember16: return k.test(16);
    case MultiKind::kMember19: return k.test(19);
    case MultiKind::kDok: return k.test(4) || k.test(8) || k.test(17);
    case MultiKind::kDistrict: return k.test(18);
    case MultiKind::kLocator: return k.test(5);
    case MultiKind::kCall: return k.test(10);
  }
  return false;
}

Text KindValue(MultiKind kind, ConstBytes r, const ScoringContext& c) {
  const ContestDefinition& d = *c.definition;
  const char band = static_cast<char>(GetU8(r, qso::kBand.offset));
  const auto member = [&](std::size_t width) {
    Text v = TrimBlanks(Cut(GetText(r, qso::kSecondCall), width));
    if (v == "0" && (c.code == '7' || c.code == 'f' || c.code == 'i' || c.code == 'k')) v.clear();
    return v;
  };
  switch (kind) {
    case MultiKind::kCountry: {
      const Text p = TrimBlanks(GetText(r, qso::kCountryPrefix));
      if (p == "DL" && !d.MultiplierKinds.test(3)) return {};
      if (d.MultiplierKinds.test(9) && GetText(r, qso::kContinent) != "EU") return {};
      if (c.code == 'Z' && !GetText(r, qso::kDistrictCode).empty()) return {};
      return p;
    }
    case MultiKind::kUsState:
    case MultiKind::kPostcode: return TrimBlanks(GetText(r, qso::kDistrictCode));
    case MultiKind::kMember16:
    case MultiKind::kMember19: return member(6);
    case MultiKind::kDok: {
      const Text dok = LoadRcvdDok(r);
      return !dok.empty() && DokQualifies(dok, c) ? dok : Text();
    }
    case MultiKind::kDistrict: {
      const Text dok = LoadRcvdDok(r);
      const bool ok = c.code == 'h' ? LetterTwoDigits(dok) && dok[0] != 'J' && dok[0] != 'Z'
                                    : IsDistrictDok(dok, d.MultiplierRegion);
      return ok ? dok.substr(0, 1) : Text();
    }
    case MultiKind::kLocator: {
      if (c.code == 'J' && band != 'k' && band != 'l') return {};
      const Text loc = GetText(r, qso::kLocator);
      return loc.size() >= 4 ? loc.substr(0, 4) : Text();
    }
    case MultiKind::kCall: {
      const Text call = GetText(r, qso::kCall);
      if (call.empty()) return {};
      if (d.SpecialStationsEmpty()) return call;
      const Text head = call.substr(0, call.find('/'));
      for (const Text& s : d.SpecialStations)
        if (!s.empty() && s == head) return call;
      return {};
    }
  }
  return {};
}

int KindWeight(MultiKind kind, std::string_view v, const ScoringContext& c) {
  if (kind == MultiKind::kDok) {
    if (c.code == 'G' && v == "HT09") return 2;
    if (c.code == '2') {
      if (v == "WN") return 6;
      if ((v.size() == 2 || v.size() == 3) && v.back() == 'N') return 3;
    }
    if (c.code == 'U') {
      const bool district_u = StartsWith(v, "U") || IsOneOf(v, {"Z16", "Z44", "Z64", "Z76", "BBT", "DVU", "DB0"});
      return district_u != c.question_answer ? 2 : 1;
    }
  }
  if (kind == MultiKind::kLocator) {
    if (c.code == 'Y') return 5;
    if (c.code == '2') return 3;
  }
  return 1;
}

std::vector<int> KindColumns(MultiKind kind, const ContestDefinition& d) {
  std::vector<std::string_view> captions;
  switch (kind) {
    case MultiKind::kCountry: captions = {"DXCC", "Prefix"}; break;
    case MultiKind::kDok: captions = {"DOK", "Area", "LDK"}; break;
    case MultiKind::kLocator: captions = {"Loc"}; break;
    case MultiKind::kDistrict: captions = {"DOK"}; break;
    case MultiKind::kCall: captions = {"Callmulti"}; break;
    case MultiKind::kUsState: captions = {"US-State"}; break;
    case MultiKind::kPostcode: captions = {"PLZ"}; break;
    case MultiKind::kMember16: captions = {"DIG", "AGCW", "QCWA"}; break;
    case MultiKind::kMember19: captions = {"Naval", "QCWA"}; break;
  }
  std::vector<int> columns;
  const Text* names[3] = {&d.MultName1, &d.MultName2, &d.MultName3};
  for (int i = 0; i < 3; ++i)
    if (!names[i]->empty() && std::find(captions.begin(), captions.end(), *names[i]) != captions.end())
      columns.push_back(i + 1);
  return columns;
}

bool PassesClubWord(ConstBytes r, const ScoringContext& c) {
  const Text& word = c.definition->ClubName;
  if (word.empty()) return true;
  const Text rcvd = LoadRcvdExchange(r);
  if (word == "Naval") {
    const Text item2 = rcvd.size() > 3 ? rcvd.substr(3) : Text();
    return item2.empty() || !IsDigit(item2[0]);
  }
  return rcvd.find(word) != Text::npos;
}

}  // namespace vek
