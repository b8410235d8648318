#include <gtest/gtest.h>

#include <random>
#include <string>

#include "refdata/locator.h"

namespace vek {
namespace {

constexpr double kSixDecimals = 5e-7;

Coordinates Centre(std::string_view loc) {
  Coordinates c;
  EXPECT_TRUE(LocatorToCoordinates(loc, c)) << loc;
  return c;
}

TEST(LocatorTest, FormCheckLooksOnlyAtPositionsPresent) {
  EXPECT_TRUE(IsLocatorValid("JO62MM"));
  EXPECT_TRUE(IsLocatorValid("JO62MM1"));
  EXPECT_TRUE(IsLocatorValid("J"));
  EXPECT_TRUE(IsLocatorValid(""));
  EXPECT_FALSE(IsLocatorValid("SO62MM"));
  EXPECT_FALSE(IsLocatorValid("JO62MY"));
  EXPECT_FALSE(IsLocatorValid("JOA2"));
  EXPECT_FALSE(IsLocatorValid("jo62mm"));
}

TEST(LocatorTest, CentresOfKnownSquares) {
  Coordinates c = Centre("JO62MM");
  EXPECT_NEAR(c.longitude, 13.041667, kSixDecimals);
  EXPECT_NEAR(c.latitude, 52.520833, kSixDecimals);
  Coordinates lower = Centre("jo62mm");
  EXPECT_EQ(lower.longitude, c.longitude);
  EXPECT_EQ(lower.latitude, c.latitude);
  Coordinates short4 = Centre("JO62");
  EXPECT_EQ(short4.longitude, c.longitude);
  EXPECT_EQ(short4.latitude, c.latitude);

  c = Centre("JO");
  EXPECT_NEAR(c.longitude, 9.958333, kSixDecimals);
  EXPECT_NEAR(c.latitude, 54.979167, kSixDecimals);
  Coordinates jo6 = Centre("JO6"), jo64mx = Centre("JO64MX");
  EXPECT_EQ(jo6.longitude, jo64mx.longitude);
  EXPECT_EQ(jo6.latitude, jo64mx.latitude);
  Coordinates k = Centre("JO62K"), km = Centre("JO62KM");
  EXPECT_EQ(k.longitude, km.longitude);

  c = Centre("AA00AA");
  EXPECT_NEAR(c.longitude, 180.041667, kSixDecimals);
  EXPECT_NEAR(c.latitude, -89.979167, kSixDecimals);
  c = Centre("RR99XX");
  EXPECT_NEAR(c.longitude, 179.958333, kSixDecimals);
  EXPECT_NEAR(c.latitude, 89.979167, kSixDecimals);
  c = Centre("II99XX");
  EXPECT_NEAR(c.longitude, 359.958333, kSixDecimals);
  EXPECT_NEAR(c.latitude, -0.020833, kSixDecimals);
}

TEST(LocatorTest, ConversionFailsWithZeroes) {
  for (std::string_view bad : {"J", "JO62MM1", "", "SO62MM", "JO62MY", "J?"}) {
    Coordinates c{1, 1};
    EXPECT_FALSE(LocatorToCoordinates(bad, c)) << bad;
    EXPECT_EQ(c.longitude, 0);
    EXPECT_EQ(c.latitude, 0);
  }
}

TEST(LocatorTest, KnownDistancesAndBearings) {
  struct Case {
    const char* to;
    double km;
    double bearing;
  };
  for (const Case& k : {Case{"JN58TD", 496.40, 192.2}, Case{"IO91WM", 905.88, 268.2},
                        Case{"JO40XX", 272.61, 232.3}, Case{"FN20", 6431.23, 296.2},
                        Case{"JO62MN", 4.63, 0.0}}) {
    SCOPED_TRACE(k.to);
    Qrb q;
    ASSERT_TRUE(LocatorDistance("JO62MM", k.to, q));
    EXPECT_NEAR(q.km, k.km, 0.005);
    EXPECT_NEAR(q.bearing, k.bearing, 0.05);
  }
  Qrb q{5, 5};
  EXPECT_FALSE(LocatorDistance("JO62MM", "XX", q));
  EXPECT_EQ(q.km, 0);
  EXPECT_FALSE(LocatorDistance("", "JO62MM", q));
}

TEST(LocatorTest, BeyondTwentyThousandKilometresTheBearingIsZero) {
  Qrb q;
  // AD67ML's centre is the exact antipode of JO62MM's: half the earth around.
  ASSERT_TRUE(LocatorDistance("JO62MM", "AD67ML", q));
  EXPECT_NEAR(q.km, 111.12 * 180, 0.01);
  EXPECT_EQ(q.bearing, 0);
  double widest = 0;
  for (char f1 = 'A'; f1 <= 'R'; ++f1) {
    const std::string loc = std::string(1, f1) + "R99XX";
    ASSERT_TRUE(LocatorDistance("JA00AA", loc, q));
    if (q.km >= 20000) {
      EXPECT_EQ(q.bearing, 0) << loc;
    }
    widest = std::max(widest, q.km);
  }
  EXPECT_LT(widest, 20001.7);
}

TEST(LocatorTest, DueNorthAcrossTheMeridianIsZeroNotThreeSixty) {
  Qrb q;
  ASSERT_TRUE(LocatorDistance("AM64MX", "JO62MM", q));
  EXPECT_NEAR(q.km, 10278.60, 0.005);
  EXPECT_GE(q.bearing, 0);
  EXPECT_LT(q.bearing, 360);
}

TEST(LocatorTest, StoredDistanceRoundsHalvesToEven) {
  EXPECT_EQ(StoredDistance(496.40), 496);
  EXPECT_EQ(StoredDistance(496.5), 496);
  EXPECT_EQ(StoredDistance(497.5), 498);
  EXPECT_EQ(StoredDistance(497.51), 498);
  EXPECT_EQ(StoredDistance(0.5), 0);
}

std::string RandomLocator(std::mt19937& rng) {
  auto pick = [&](char lo, char hi) { return static_cast<char>(lo + rng() % (hi - lo + 1)); };
  return {pick('A', 'R'), pick('A', 'R'), pick('0', '9'), pick('0', '9'), pick('A', 'X'), pick('A', 'X')};
}

// The centre lies inside the subsquare the locator names, the distance is
// symmetric and zero on the diagonal, and bearings stay in [0, 360).
TEST(LocatorPropertyTest, GeometryHoldsForRandomLocators) {
  std::mt19937 rng(20081115);
  for (int i = 0; i < 20000; ++i) {
    const std::string a = RandomLocator(rng), b = RandomLocator(rng);
    SCOPED_TRACE(a + " " + b);
    const Coordinates c = Centre(a);
    const double west = ((a[0] - 'A') * 20 + 180) % 360 + (a[2] - '0') * 2 + (a[4] - 'A') * 5 / 60.0;
    const double south = (a[1] - 'A') * 10 - 90 + (a[3] - '0') + (a[5] - 'A') * 2.5 / 60.0;
    ASSERT_GT(c.longitude, west);
    ASSERT_LT(c.longitude, west + 5 / 60.0);
    ASSERT_GT(c.latitude, south);
    ASSERT_LT(c.latitude, south + 2.5 / 60.0);

    Qrb self, ab, ba;
    ASSERT_TRUE(LocatorDistance(a, a, self));
    ASSERT_EQ(self.km, 0);
    ASSERT_EQ(self.bearing, 0);
    ASSERT_TRUE(LocatorDistance(a, b, ab));
    ASSERT_TRUE(LocatorDistance(b, a, ba));
    ASSERT_NEAR(ab.km, ba.km, 1e-6);
    ASSERT_GE(ab.bearing, 0);
    ASSERT_LT(ab.bearing, 360);
    ASSERT_LE(ab.km, 20001.7);
  }
}

}  // namespace
}  // namespace vek
