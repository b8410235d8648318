#include "logging/scoring.h"

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

int QsoPoints(ConstBytes r, const ScoringContext& c) {
  const ContestDefinition& d = *c.definition;
  const Text call = GetText(r, qso::kCall);
  const Text dok = LoadRcvdDok(r);
  const Text rcvd = LoadRcvdExchange(r);
  const Text item2 = rcvd.size() > 3 ? rcvd.substr(3) : Text();
  const char band = static_cast<char>(GetU8(r, qso::kBand.offset));
  const Text continent = GetText(r, qso::kContinent);
  const std::int32_t qrb = GetI32(r, qso::kQrbKm.offset);
  const bool short_call = call.size() < 3;
  const int cls = c.class_number;
  // Two empty DOKs are the same only where contest g's rule says so.
  const bool own_dok = dok == c.own_dok && (!dok.empty() || c.code == 'g');
  switch (c.code) {
    case 'g':
    case 'e': {
      if (own_dok) return 0;
      const int field = FieldPoints(c.own_locator, GetText(r, qso::kLocator));
      if (LetterTwoDigits(dok)) return field;
      if (c.code == 'g') return dok.size() >= 2 && d.HomeRegion.HoldsDok(dok) ? field + 10 : field;
      return dok.size() >= 2 ? field + 10 : field;
    }
    case '1':
    case 'f': return 1;
    case 'S':
    case 'T':
    case 'U':
    case 'a':
    case 'b': return short_call ? 0 : 1;
    case '2':
      if (short_call) return 1;
      if (call == "DF0WN") return 6;
      if ((dok.size() == 2 || dok.size() == 3) && dok.back() == 'N') return 3;
      return IsClubCall(call) ? 2 : 1;
    case '3':
      if (short_call) return 1;
      if (call == "DF0WN") return 10;
      return IsClubCall(call) ? 5 : 1;
    case 'L':
      if (short_call) return 0;
      if (IsOneOf(call, {"DL0JRR", "DL0DRG", "DK0RYL", "DF0KOL", "DL0YLL"})) return 10;
      return IsClubCall(call) ? 5 : 1;
    case '4':
      if (call.size() < 2) return 0;
      return rcvd.find('/') != Text::npos && rcvd.find('/') + 1 < rcvd.size() ? 2 : 1;
    case '5': return StartsWith(call, "DN") ? 5 : 3;
    case '6':
      if (StartsWith(item2, "NM")) return 1;
      return item2.empty() ? 1 : 5;
    case '7': {
      if (short_call) return 10;
      if (cls == 3 || cls == 4) return Capped(qrb);
      const Text n = Cut(item2, 4);
      return !TrimBlanks(n).empty() && TrimBlanks(n) != "0" && !StartsWith(n, "NM") ? 10 : 1;
    }
    case '8':
    case 'j': return short_call ? 0 : Capped(qrb);
    case '9': {
      if (short_call) return 0;
      const bool portable = Portable(call);
      if (cls == 6 && !portable) return 0;
      const bool europe = continent == "EU";
      if (portable) return europe ? 4 : 6;
      return europe ? 2 : 3;
    }
    case 'A':
      return IsOneOf(call, {"DA0HSC", "DK0HSC", "DL0HSC", "DA0RTC", "DK0RTC", "DL0RTC", "DF0ACW", "DF0AGC", "DL0AGC",
                            "DK0AG", "DL0CWW", "DL0DA"})
                 ? 2
                 : 1;
    case 'B':
      if (!c.own_dok.empty() && own_dok) return cls == 4 ? 1 : 0;
      if (cls == 4) return 2;
      if (cls == 2 || cls == 3) return Capped(qrb);
      return 1;
    case 'C':
      if (d.SentFieldsShown) return 1;
      if (cls != 1 && cls != 4) return 3;
      return HomeDok(dok, d) ? 3 : 1;
    case 'E': return short_call || continent != "EU" ? 0 : Capped(qrb);
    case 'F':
      if (call.size() <= 2 || own_dok) return 0;
      return cls == 3 || cls == 4 ? Capped(qrb) : 1;
    case 'G':
      if (short_call) return 0;
      if ((cls == 7 || cls == 8) && own_dok) return 0;
      return cls >= 3 && cls <= 6 ? Capped(qrb) : 1;
    case 'H': {
      if (GetText(r, qso::kCountryPrefix) != "4X") return 0;
      // A received area is a letter, two digits and a two-letter area code.
      const bool valid = dok.size() == 5 && IsLetter(dok[0]) && IsDigit(dok[1]) && IsDigit(dok[2]) &&
                         IsLetter(dok[3]) && IsLetter(dok[4]);
      if (!dok.empty() && !valid) return 0;
      return band >= 'a' && band <= 'c' ? 2 : 1;
    }
    case 'I':
    case 'l':
      if (short_call) return 0;
      return StartsWith(dok, "I") && IsClubCall(call) ? 2 : 1;
    case 'J':
      if (short_call) return 0;
      return band == 'k' || band == 'l' ? Capped(qrb) : 1;
    case 'N': {
      if (short_call) return 0;
      std::int64_t p = 0;
      if (band >= 'j' && band <= 'l') {
        p = std::min<std::int64_t>(qrb, 2000);
      } else if (band == 'm') {
        p = qrb;
      } else {
        const std::string_view factors_for = "nopqs";
        const auto at = factors_for.find(band);
        if (at != std::string_view::npos) p = static_cast<std::int64_t>(at + 2) * qrb;
      }
      if (c.first_in_field && c.first_in_field(r)) p += 500;
      return Capped(p);
    }
    case 'O':
      if (short_call) return 1;
      if (own_dok) return 0;
      return band == 'k' || band == 'l' ? Capped(qrb) : 1;
    case 'P': {
      if (short_call) return 0;
      int p;
      if (item2 == "00" || item2 == "0") {
        p = 100;
      } else if (item2 == "XX") {
        p = 20;
      } else {
        p = std::atoi(item2.c_str());
      }
      return Capped(p + (StartsWith(call, "DN") ? 20 : 0));
    }
    case 'Q':
      if (short_call) return 1;
      if (HomeDok(dok, d)) return GetText(r, qso::kDokHead) == "DVT" ? 10 : 5;
      return 1;
    case 'V': {
      const bool home = HomeDok(dok, d);
      if (cls == 8 || cls == 9) return home ? 1 : 0;
      return home ? 3 : 1;
    }
    case 'Y':
      if (IsOneOf(call, {"DB0DBP", "DA0DBP", "DL0Z", "DK0Z", "DF0Z", "DA0Z", "DF0DBP", "DK0DBP", "DL0DBP"})) return 10;
      return IsDistrictDok(dok, d.HomeRegion) || d.MultiplierRegion.HoldsDok(dok) ? 5 : 1;
    case 'Z':
      if (short_call) return 0;
      return !d.ClubBonusWord.empty() && rcvd.find(d.ClubBonusWord) != Text::npos ? 5 : 1;
    case 'c':
      if (call.size() <= 2) return 1;
      {
        const Text mode = GetText(r, qso::kMode);
        if (mode == "FM") return 2;
        if (mode == "SSB") return 4;
        if (mode == "CW") return 6;
      }
      return 1;
    case 'd':
      if (short_call) return 0;
      if (HomeDok(dok, d)) return IsClubCall(call) ? 3 : 2;
      return 1;
    case 'h':
      if (call.size() <= 2 || own_dok) return 0;
      if (band == 'm') return 2;
      return band == 'n' ? 3 : 1;
    case 'i':
      if (item2.empty() || StartsWith(item2, "NM")) return 1;
      return IsDigit(item2[0]) ? 1 : 10;
    case 'k':
      if (call.size() < 2) return 0;
      if (IsOneOf(call, {"DA0QC", "DK0QCW", "DL0QCW"})) return 10;
      return item2.size() == 5 ? 5 : 1;
    // Only the first contact with the own DOK scores.
    case 'K': return !own_dok || !c.first_with_own_dok || c.first_with_own_dok(r) ? 1 : 0;
    case 'R':
      if (short_call) return 0;
      if (own_dok) return !c.first_with_own_dok || c.first_with_own_dok(r) ? 1 : 0;
      return cls == 1 || cls == 3 || cls == 5 ? 5 : 1;
    default: return 2;
  }
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
