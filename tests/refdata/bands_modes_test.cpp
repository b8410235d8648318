#include <gtest/gtest.h>

#include <cstdio>
#include <iomanip>
#include <random>
#include <string>
#include <vector>

#include "refdata/bands.h"
#include "refdata/modes.h"

namespace vek {
namespace {

TEST(BandTest, TextRecognition) {
  EXPECT_EQ(BandCodeFromText("  2m\t"), 'k');
  EXPECT_EQ(BandCodeFromText("2 m"), 'k');
  EXPECT_EQ(BandCodeFromText("70cm"), 'l');
  EXPECT_EQ(BandCodeFromText("70 C"), 'l');
  EXPECT_EQ(BandCodeFromText("70 c"), 'l');
  EXPECT_EQ(BandCodeFromText("1,2 cm"), 's');
  EXPECT_EQ(BandCodeFromText("6"), 'j');
  EXPECT_EQ(BandCodeFromText("6cm"), 'p');
  EXPECT_EQ(BandCodeFromText("1.2C"), kNoBandText);
  EXPECT_EQ(BandCodeFromText("145"), kNoBandText);
  EXPECT_EQ(BandCodeFromText(""), kNoBandText);
  EXPECT_EQ(BandCodeFromText("2189"), 'r');
}

TEST(BandTest, StartFrequencyRecognitionHasItsOwnOrder) {
  EXPECT_EQ(BandStartFrequency("6"), 5650);
  EXPECT_EQ(BandStartFrequency("6 m"), 50);
  EXPECT_EQ(BandStartFrequency("1.2C"), 24000);
  EXPECT_EQ(BandStartFrequency("2189m"), 0.137);
  EXPECT_EQ(BandStartFrequency("145"), 0);
  EXPECT_EQ(BandStartFrequency(" 23cm "), 1240);
}

TEST(BandTest, Names) {
  EXPECT_EQ(BandName('r', false), "2189m");
  EXPECT_EQ(BandName('r', true), "2189m");
  EXPECT_EQ(BandName('l', false), "70 cm");
  EXPECT_EQ(BandName('l', true), "70cm");
  EXPECT_EQ(BandName('a', true), "160m");
  EXPECT_EQ(BandName('0', false), "all");
  EXPECT_EQ(BandName('z', false), "???");
  EXPECT_EQ(BandName('\0', true), "???");
}

// Every band survives name -> code in both forms, and its own start frequency
// lies inside its own range (so picking a band and then reading the frequency
// field back never jumps to another band).
TEST(BandTest, EveryBandRoundTripsThroughItsNamesAndStartFrequency) {
  for (char code = 'a'; code <= 's'; ++code) {
    SCOPED_TRACE(code);
    EXPECT_TRUE(IsBandCode(code));
    EXPECT_EQ(BandCodeFromText(BandName(code, false)), code);
    EXPECT_EQ(BandCodeFromText(BandName(code, true)), code);
    const double start = BandStartFrequency(BandName(code, false));
    EXPECT_GT(start, 0);
    EXPECT_EQ(BandCodeOfFrequency(start), code);
    EXPECT_NE(BandOfFrequency(start), 0);
  }
  EXPECT_FALSE(IsBandCode('t'));
  EXPECT_FALSE(IsBandCode('0'));
}

TEST(BandTest, FrequencyRangesExcludeLowerAndIncludeUpperBound) {
  EXPECT_EQ(BandCodeOfFrequency(144.3), 'k');
  EXPECT_EQ(BandCodeOfFrequency(143.9999), kNoBandFrequency);
  EXPECT_EQ(BandCodeOfFrequency(146), 'k');
  EXPECT_EQ(BandCodeOfFrequency(146.01), kNoBandFrequency);
  EXPECT_EQ(BandCodeOfFrequency(1.81), 'a');
  EXPECT_EQ(BandCodeOfFrequency(0.137), 'r');
  EXPECT_EQ(BandCodeOfFrequency(24048), 's');
  EXPECT_EQ(BandCodeOfFrequency(432.2), 'l');
  EXPECT_EQ(BandCodeOfFrequency(1296.2), 'm');
  EXPECT_EQ(BandCodeOfFrequency(0), kNoBandFrequency);
  EXPECT_EQ(BandOfFrequency(432.2), 0.7);
  EXPECT_EQ(BandOfFrequency(100), 0);
}

TEST(BandTest, TypedFrequencies) {
  EXPECT_DOUBLE_EQ(NormaliseFrequency(3550), 3.55);
  EXPECT_DOUBLE_EQ(NormaliseFrequency(14025), 14.025);
  EXPECT_DOUBLE_EQ(NormaliseFrequency(28500), 28.5);
  EXPECT_DOUBLE_EQ(NormaliseFrequency(144300), 144.3);
  EXPECT_DOUBLE_EQ(NormaliseFrequency(144.3), 144.3);
  EXPECT_DOUBLE_EQ(NormaliseFrequency(10), 28);
  EXPECT_DOUBLE_EQ(NormaliseFrequency(30), 10.1);
  EXPECT_DOUBLE_EQ(NormaliseFrequency(3), 10000);
  EXPECT_DOUBLE_EQ(NormaliseFrequency(70), 430);
  EXPECT_DOUBLE_EQ(NormaliseFrequency(1.8), 1.815);
  EXPECT_DOUBLE_EQ(NormaliseFrequency(18), 18.1);
  EXPECT_DOUBLE_EQ(NormaliseFrequency(24), 24.89);
  EXPECT_DOUBLE_EQ(NormaliseFrequency(2000), 2000);
  EXPECT_DOUBLE_EQ(NormaliseFrequency(0), 0);
  EXPECT_DOUBLE_EQ(NormaliseFrequency(0.012), 24000);
  EXPECT_DOUBLE_EQ(NormaliseFrequency(2189), 0.137);
  for (double mhz : {432.2, 1296.2, 2320.0, 10368.1, 24048.0}) EXPECT_DOUBLE_EQ(NormaliseFrequency(mhz), mhz);
}

TEST(BandTest, FiveDecimalComparison) {
  EXPECT_TRUE(SameAtFiveDecimals(0.7, 0.70000000001));
  EXPECT_TRUE(SameAtFiveDecimals(0.123454, 0.12345));
  EXPECT_FALSE(SameAtFiveDecimals(0.123456, 0.12345));
  EXPECT_FALSE(SameAtFiveDecimals(2, 2.00001));
  EXPECT_TRUE(SameAtFiveDecimals(1e300, 1e300));
  EXPECT_FALSE(SameAtFiveDecimals(0.0, -0.0));  // "0.00000" against "-0.00000"
  EXPECT_FALSE(SameAtFiveDecimals(0.0, -0.000001));
  EXPECT_TRUE(SameAtFiveDecimals(-0.0, -0.000001));
}

// The quick answers agree with the printed texts themselves, on values around
// every band's number, on halves that round either way and on random pairs.
TEST(BandTest, FiveDecimalComparisonAgreesWithThePrintedTexts) {
  const auto printed = [](double a, double b) {
    char ta[400], tb[400];
    std::snprintf(ta, sizeof ta, "%.5f", a);
    std::snprintf(tb, sizeof tb, "%.5f", b);
    return std::string(ta) == tb;
  };
  std::vector<double> values = {0, -0.0, 0.012, 0.7, 2, 2.000005, 2.0000049999, 2.0000050001, 144.3, 432.2,
                                1296.2, 24048, 0.137, 1e-6, -1e-6, 5e-6, 1.5e-5, 1e15, 1e15 + 0.125};
  for (double base : {0.012, 0.7, 2.0, 144.0, 430.0, 1240.0, 10368.1})
    for (int i = -40; i <= 40; ++i) values.push_back(base + i * 2.5e-6);
  std::mt19937_64 random(18);
  std::uniform_real_distribution<double> near(-3e-5, 3e-5), far(0, 30000);
  for (int i = 0; i < 2000; ++i) {
    const double a = far(random);
    values.push_back(a);
    values.push_back(a + near(random));
  }
  int agreeing_pairs = 0;
  for (double a : values) {
    for (double b : {values[static_cast<std::size_t>(agreeing_pairs) % values.size()], a + 4e-6, a - 6e-6, a + 1.2e-5}) {
      ASSERT_EQ(SameAtFiveDecimals(a, b), printed(a, b)) << std::setprecision(17) << a << " " << b;
      agreeing_pairs += printed(a, b);
    }
  }
  EXPECT_GT(agreeing_pairs, 100);  // the pairs do include equal texts
}

TEST(ModeTest, Spellings) {
  EXPECT_EQ(ModeCodeFromText("2xSSB"), 'b');
  EXPECT_EQ(ModeCodeFromText("2XSSB"), 'b');
  EXPECT_EQ(ModeCodeFromText("USB"), 'b');
  EXPECT_EQ(ModeCodeFromText("cw"), kNoMode);
  EXPECT_EQ(ModeCodeFromText(" PSK31\t"), 'l');
  EXPECT_EQ(ModeCodeFromText("FT8"), kNoMode);
  EXPECT_EQ(ModeCodeFromText("FSK441"), 'e');
  EXPECT_EQ(ModeCodeFromText("PR"), 'm');
  EXPECT_EQ(ModeCodeFromText(""), kNoMode);
  EXPECT_EQ(ModeCodeFromText("2x"), kNoMode);
}

TEST(ModeTest, NamesRecogniseTheirOwnCode) {
  for (char code = 'a'; code <= 'm'; ++code) {
    EXPECT_EQ(ModeCodeFromText(ModeName(code)), code) << code;
  }
  EXPECT_EQ(ModeName('b'), "SSB");
  EXPECT_EQ(ModeName(' '), "");
}

}  // namespace
}  // namespace vek
