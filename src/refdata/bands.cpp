#include "refdata/bands.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace vek {
namespace {

struct BandRow {
  char code;
  const char* name;
  double wavelength;
  double start;
  double lower;  // excluded
  double upper;  // included
};

constexpr std::array<BandRow, 19> kBands = {{
    {'a', "160 m", 160, 1.815, 1.809, 2},
    {'b', "80 m", 80, 3.5, 3.4999, 3.8},
    {'c', "40 m", 40, 7, 6.9999, 7.1},
    {'d', "30 m", 30, 10.1, 10.099, 10.2},
    {'e', "20 m", 20, 14, 13.9999, 14.35},
    {'f', "17 m", 17, 18.1, 18.0679, 18.168},
    {'g', "15 m", 15, 21, 20.9999, 21.45},
    {'h', "12 m", 12, 24.89, 24.889, 25},
    {'i', "10 m", 10, 28, 27.9999, 29.7},
    {'j', "6 m", 6, 50, 49.9999, 54},
    {'k', "2 m", 2, 144, 143.9999, 146},
    {'l', "70 cm", 0.7, 430, 429.9999, 440},
    {'m', "23 cm", 0.23, 1240, 1239.9999, 1300},
    {'n', "13 cm", 0.13, 2400, 2319.9999, 2450},
    {'o', "9 cm", 0.09, 3400, 3399.9999, 3475},
    {'p', "6 cm", 0.06, 5650, 5649.9999, 5850},
    {'q', "3 cm", 0.03, 10000, 9999.9999, 10500},
    {'r', "2189m", 2189, 0.137, 0.1356999, 0.1378},
    {'s', "1.2cm", 0.012, 24000, 23999.9999, 24250},
}};

const BandRow* RowOf(char code) {
  for (const BandRow& r : kBands)
    if (r.code == code) return &r;
  return nullptr;
}

struct Spellings {
  char code;
  std::initializer_list<const char*> texts;
};

// First match wins, so a bare "6" is 6 m here and "1.2 C" is unknown.
const Spellings kTextSpellings[] = {
    {'a', {"160 M", "160M", "160"}},
    {'b', {"80 M", "80M", "80"}},
    {'c', {"40 M", "40M", "40"}},
    {'d', {"30 M", "30M", "30"}},
    {'e', {"20 M", "20M", "20"}},
    {'f', {"17 M", "17M", "17"}},
    {'g', {"15 M", "15M", "15"}},
    {'h', {"12 M", "12M", "12"}},
    {'i', {"10 M", "10M", "10"}},
    {'j', {"6 M", "6M", "6"}},
    {'k', {"2 M", "2M", "2"}},
    {'l', {"70 CM", "70CM", "70 C", "70C", "70"}},
    {'m', {"23 CM", "23CM", "23 C", "23C", "23"}},
    {'n', {"13 CM", "13CM", "13 C", "13C", "13"}},
    {'o', {"9 CM", "9CM", "9 C", "9C", "9"}},
    {'p', {"6 CM", "6CM", "6 C", "6C"}},
    {'q', {"3 CM", "3CM", "3 C", "3C", "3"}},
    {'r', {"2189 M", "2189M", "2189"}},
    {'s', {"1.2 CM", "1,2 CM", "1,2 C", "1.2CM", "1,2CM", "1,2C", "1.2", "1,2"}},
};

struct StartSpellings {
  double start;
  std::initializer_list<const char*> texts;
};

// The start-frequency recognition has an order of its own: microwaves first,
// so a bare "6" means 6 cm here (imported ADIF bands rely on it).
const StartSpellings kStartSpellings[] = {
    {24000, {"1,2", "1.2", "1.2 CM", "1.2CM", "1.2 C", "1.2C", "1,2 CM", "1,2CM", "1,2 C", "1,2C"}},
    {10000, {"3 CM", "3CM", "3 C", "3C", "3"}},
    {5650, {"6 CM", "6CM", "6 C", "6C", "6"}},
    {3400, {"9 CM", "9CM", "9 C", "9C", "9"}},
    {2400, {"13 CM", "13CM", "13 C", "13C", "13"}},
    {1240, {"23 CM", "23CM", "23 C", "23C", "23"}},
    {430, {"70 CM", "70CM", "70 C", "70C", "70"}},
    {144, {"2 M", "2M", "2"}},
    {50, {"6 M", "6M"}},
    {28, {"10 M", "10M", "10"}},
    {24.89, {"12 M", "12M", "12"}},
    {21, {"15 M", "15M", "15"}},
    {18.1, {"17 M", "17M", "17"}},
    {14, {"20 M", "20M", "20"}},
    {10.1, {"30 M", "30M", "30"}},
    {7, {"40 M", "40M", "40"}},
    {3.5, {"80 M", "80M", "80"}},
    {1.815, {"160 M", "160M", "160"}},
    {0.137, {"2189M", "2189", "2189 M"}},
};

// Range test order: 2189 m first, then the table from 160 m down, 1.2 cm last.
constexpr std::array<char, 19> kRangeOrder = {'r', 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i',
                                              'j', 'k', 'l', 'm', 'n', 'o', 'p', 'q', 's'};

Text Recognisable(std::string_view text) { return AsciiUpper(Trim(text)); }

}  // namespace

bool IsBandCode(char code) { return code >= 'a' && code <= 's'; }

Text BandName(char code, bool compact) {
  if (code == kAllBands) return "all";
  const BandRow* row = RowOf(code);
  if (!row) return "???";
  Text name = row->name;
  if (compact) std::erase(name, ' ');
  return name;
}

char BandCodeFromText(std::string_view text) {
  const Text t = Recognisable(text);
  for (const Spellings& s : kTextSpellings)
    for (const char* spelling : s.texts)
      if (t == spelling) return s.code;
  return kNoBandText;
}

double BandStartFrequency(std::string_view text) {
  const Text t = Recognisable(text);
  for (const StartSpellings& s : kStartSpellings)
    for (const char* spelling : s.texts)
      if (t == spelling) return s.start;
  return 0;
}

double BandOfFrequency(double mhz) {
  for (char code : kRangeOrder) {
    const BandRow* r = RowOf(code);
    if (r->lower < mhz && mhz <= r->upper) return r->wavelength;
  }
  return 0;
}

char BandCodeOfFrequency(double mhz) {
  const double wavelength = BandOfFrequency(mhz);
  // kBands is in code order 'a'..'q', then 'r', then 's'.
  for (const BandRow& r : kBands)
    if (SameAtFiveDecimals(wavelength, r.wavelength)) return r.code;
  return kNoBandFrequency;
}

double NormaliseFrequency(double v) {
  if (v == 0) return 0;
  struct BandNumber {
    double number;
    double mhz;
  };
  static constexpr BandNumber kBandNumbers[] = {
      {0.012, 24000}, {1.2, 24000}, {0.03, 10000}, {3, 10000}, {0.06, 5650}, {0.09, 3400}, {9, 3400},
      {0.13, 2400},   {13, 2400},   {0.23, 1240},  {23, 1240}, {0.7, 430},   {70, 430},    {2, 144},
      {6, 50},        {10, 28},     {12, 24.89},   {15, 21},   {17, 18.1},   {20, 14},     {30, 10.1},
      {40, 7},        {80, 3.5},    {160, 1.815},  {2189, 0.137},
  };
  for (const BandNumber& b : kBandNumbers)
    if (SameAtFiveDecimals(v, b.number)) return b.mhz;
  if (v == 18) return 18.1;
  if (v == 1.8) return 1.815;
  if (v == 24.8) return 24.89;
  if (v == 24) return 24.89;
  const bool khz = (1814 < v && v <= 1999) || (3499.9 < v && v <= 3800) || (6999.9 < v && v <= 7100) ||
                   (10099 < v && v <= 10200) || (10500 < v && v <= 23999) || v > 24250;
  return khz ? v / 1000 : v;
}

bool SameAtFiveDecimals(double a, double b) {
  // Texts that agree to five decimals come from numbers at most 0.00001
  // apart, so almost every comparison ends here without printing; the same
  // number with the same sign prints the same.
  if (a == b && std::signbit(a) == std::signbit(b)) return true;
  if (std::fabs(a - b) > 1.5e-5) return false;
  char ta[400], tb[400];  // room for the widest double
  std::snprintf(ta, sizeof ta, "%.5f", a);
  std::snprintf(tb, sizeof tb, "%.5f", b);
  return std::strcmp(ta, tb) == 0;
}

}  // namespace vek
