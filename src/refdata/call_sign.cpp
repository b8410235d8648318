#include "refdata/call_sign.h"

#include <vector>

#include "refdata/dxcc_table.h"

namespace vek {

SuffixTable::SuffixTable() {
  static constexpr const char* kBuiltIn[] = {"A", "AM", "M", "MM", "P", "LH", "LGT"};
  std::size_t i = 0;
  for (const char* s : kBuiltIn) entries_[i++].text = s;
}

void SuffixTable::ReplaceFirstNine(std::span<const SuffixEntry, kReplaceable> list) {
  for (std::size_t i = 0; i < kReplaceable; ++i) entries_[i] = list[i];
}

bool SuffixTable::Contains(std::string_view part) const {
  if (part.empty()) return false;  // an empty place in the table matches nothing
  for (const SuffixEntry& e : entries_)
    if (e.text == part) return true;
  return false;
}

const SuffixTable& BuiltInSuffixTable() {
  static const SuffixTable table;
  return table;
}

SpecialPairResult IsSpecialPrefixPair(std::string_view first, std::string_view second) {
  auto starts = [&](std::string_view p) { return first.substr(0, p.size()) == p; };
  if (second == "SH" || second == "SC") {
    if (starts("GM")) return {true, 2};
    return {};
  }
  if (second.size() != 1) return {};
  const char s = second[0];
  auto one_of = [&](std::string_view set) { return set.find(s) != std::string_view::npos; };
  struct Rule {
    std::string_view begins;
    std::string_view seconds;
  };
  static constexpr Rule kRules[] = {
      {"SV", "A"},    {"JW", "BS"},  {"3Y", "BP"},  {"FR", "BEGJT"},
      {"FO", "ACFM"}, {"3D2", "CR"}, {"VQ9", "ADF"}, {"ZK1", "NS"},
  };
  for (const Rule& r : kRules)
    if (starts(r.begins) && one_of(r.seconds)) return {true, static_cast<int>(r.begins.size())};
  return {};
}

namespace {

bool IsSeparator(char c) { return !IsAsciiDigit(c) && !IsAsciiUpper(c); }

// Portable markers such as QRP, or a serial tail such as 599, are no prefix.
bool EndsInThreeLettersOrDigits(std::string_view s) {
  if (s.size() < 3) return false;
  const std::string_view tail = s.substr(s.size() - 3);
  bool letters = true, digits = true;
  for (char c : tail) {
    letters = letters && IsAsciiUpper(c);
    digits = digits && IsAsciiDigit(c);
  }
  return letters || digits;
}

// "/3" behind DL1ABC means DL3: the home call's characters before its first
// digit (looked for from the second character on) go in front of the digit.
Text CompleteDigitPrefix(const Text& prefix, const Text& home) {
  if (prefix.size() != 1 || !IsAsciiDigit(prefix[0])) return prefix;
  for (std::size_t i = 1; i < home.size(); ++i)
    if (IsAsciiDigit(home[i])) return home.substr(0, i) + prefix;
  return prefix;
}

Text ChooseBetween(std::string_view left, std::string_view right, bool want_home) {
  const Text a = Cut(TrimBlanks(left), 20);
  const Text b = Cut(TrimBlanks(right), 20);
  Text home, prefix;
  if (a.empty()) {
    home = b;
  } else if (b.empty()) {
    home = a;
  } else if (b.size() < a.size() && EndsInThreeLettersOrDigits(b)) {
    home = a;
  } else if (a.size() > b.size()) {
    home = a;
    prefix = want_home ? b : CompleteDigitPrefix(b, a);
    if (IsHomePrefixCheckEntry(a)) std::swap(home, prefix);
  } else {
    const Text kept = EndsInThreeLettersOrDigits(a) ? Text() : a;
    home = b;
    prefix = want_home ? kept : CompleteDigitPrefix(kept, b);
    if (IsHomePrefixCheckEntry(b)) std::swap(home, prefix);
  }
  return want_home ? home : prefix;
}

}  // namespace

Text CallSignPart(std::string_view call_in, bool want_home, const SuffixTable& suffixes) {
  Text call = AsciiUpper(call_in);
  // Drop trailing separators and shorten runs of them to their last one.
  for (std::size_t i = 0; i < call.size();) {
    if (IsSeparator(call[i]) && (i + 1 == call.size() || IsSeparator(call[i + 1]))) {
      call.erase(i, 1);
      i = 0;
    } else {
      ++i;
    }
  }
  std::vector<Text> parts(1);
  for (char c : call) {
    if (IsSeparator(c))
      parts.emplace_back();
    else
      parts.back() += c;
  }
  if (parts.size() == 1) return call;

  const Text& p1 = parts[0];
  const Text& p2 = parts[1];
  if (parts.size() == 2) {
    if (IsSpecialPrefixPair(p1, p2).is_pair) return p1 + "/" + p2;
    if (suffixes.Contains(p2)) return p1;
    return ChooseBetween(p1, p2, want_home);
  }
  // Three parts, and four whose first two form a special pair: the joined
  // pair counts as one part and a fourth part is not looked at, just as a
  // third part is not looked at behind two ordinary parts.
  const bool special = IsSpecialPrefixPair(p1, p2).is_pair;
  if (special && parts.size() <= 4) {
    const Text joined = p1 + "/" + p2;
    if (suffixes.Contains(parts[2])) return joined;
    return ChooseBetween(joined, parts[2], want_home);
  }
  return ChooseBetween(p1, p2, want_home);
}

}  // namespace vek
