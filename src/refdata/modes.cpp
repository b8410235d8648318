#include "refdata/modes.h"

#include <initializer_list>

namespace vek {
namespace {

struct ModeRow {
  char code;
  std::initializer_list<const char*> spellings;
};

const ModeRow kModes[] = {
    {'a', {"CW", "A1A", "A1"}},
    {'b', {"SSB", "USB", "J3E", "LSB"}},
    {'c', {"AM", "A3E", "A3"}},
    {'d', {"FM", "F3E", "F3"}},
    {'e', {"RTTY", "HELL", "MFSK", "FSK", "WSJT", "FSK441", "MT63", "RY"}},
    {'f', {"AMTOR"}},
    {'g', {"PACTOR", "TOR"}},
    {'h', {"FAX"}},
    {'i', {"ATV"}},
    {'j', {"SSTV"}},
    {'k', {"SAT"}},
    {'l', {"PSK", "PSK31", "PSK-31"}},
    {'m', {"PACKET", "PKT", "PR"}},
};

}  // namespace

char ModeCodeFromText(std::string_view text) {
  // Dual-operator notation: 2xSSB counts as SSB.
  if (text.size() >= 2 && text[0] == '2' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
  const Text t = Trim(text);  // case matters: "cw" is no mode
  for (const ModeRow& row : kModes)
    for (const char* s : row.spellings)
      if (t == s) return row.code;
  return kNoMode;
}

Text ModeName(char code) {
  for (const ModeRow& row : kModes)
    if (row.code == code) return *row.spellings.begin();
  return {};
}

}  // namespace vek
