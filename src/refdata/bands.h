// Band codes: one character per band, 'a' (160 m) to 's' (1.2 cm), '0' for
// "all bands" in contest data. The no-band result of a text recognition is the
// character with value 0, that of a frequency lookup a blank.
#pragma once

#include <string_view>

#include "base/text.h"

namespace vek {

constexpr char kNoBandText = '\0';
constexpr char kNoBandFrequency = ' ';
constexpr char kAllBands = '0';

bool IsBandCode(char code);  // 'a'..'s'

Text BandName(char code, bool compact);
char BandCodeFromText(std::string_view text);
double BandStartFrequency(std::string_view text);
// Wavelength value in metres of the band whose range holds the frequency, 0 when none.
double BandOfFrequency(double mhz);
char BandCodeOfFrequency(double mhz);
double NormaliseFrequency(double typed);

// True when both values, written with five decimals (rounded), give the same text.
bool SameAtFiveDecimals(double a, double b);

}  // namespace vek
