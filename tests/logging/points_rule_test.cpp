// Every contest code names its points rule in its row of the contest table,
// and one contact per code scores what that code's rule gives it.
#include <gtest/gtest.h>

#include <set>

#include "catalogue/contest_definition.h"
#include "logging/contest_log.h"
#include "logging/qso_record.h"
#include "logging/scoring.h"

namespace vek {
namespace {

TEST(PointsRuleTableTest, EveryCodeNamesItsRule) {
  for (char code : AllContestCodes())
    EXPECT_NE(PointsRuleOf(code), contest_data::PointsRule::kNone)
        << "contest " << code << " has no points rule";
  EXPECT_EQ(PointsRuleOf('M'), contest_data::PointsRule::kNone);  // no contest of this program
}

struct Sample {
  char code;
  int cls;
  const char* call;
  const char* dok;
  const char* rcvd;
  char band;
  const char* mode;
  std::int32_t qrb;
  const char* continent;
  const char* country;
  int points;
};

// One contact per code, its points worked out from the code's rule.
constexpr Sample kSamples[] = {
    {'1', 1, "DL1ABC", "", "599", 'b', "CW", 0, "EU", "DL", 1},
    {'f', 1, "DL1ABC", "", "599", 'b', "CW", 0, "EU", "DL", 1},
    {'D', 1, "DL1ABC", "", "599", 'b', "CW", 0, "EU", "DL", 2},
    {'S', 1, "DL", "", "599", 'b', "CW", 0, "EU", "DL", 0},
    {'T', 1, "DL", "", "599", 'b', "CW", 0, "EU", "DL", 0},
    {'U', 1, "DL", "", "599", 'b', "CW", 0, "EU", "DL", 0},
    {'a', 1, "DL1ABC", "", "599", 'b', "CW", 0, "EU", "DL", 1},
    {'b', 1, "DL1ABC", "", "599", 'b', "CW", 0, "EU", "DL", 1},
    {'2', 1, "DF0WN", "", "599", 'b', "CW", 0, "EU", "DL", 6},
    {'3', 1, "DF0WN", "", "599", 'b', "CW", 0, "EU", "DL", 10},
    {'4', 1, "DL1ABC", "", "599001/AB", 'b', "CW", 0, "EU", "DL", 2},
    {'5', 1, "DN1ABC", "", "59 26", 'b', "SSB", 0, "EU", "DL", 5},
    {'6', 1, "DL1ABC", "", "5991234", 'b', "CW", 0, "EU", "DL", 5},
    {'7', 1, "DL1ABC", "", "5990042", 'b', "CW", 0, "EU", "DL", 10},
    {'8', 1, "DL1ABC", "", "599", 'k', "CW", 345, "EU", "DL", 345},
    {'j', 1, "DL", "", "599", 'k', "CW", 345, "EU", "DL", 0},
    {'9', 1, "DL1ABC/P", "", "599", 'b', "CW", 0, "EU", "DL", 4},
    {'A', 1, "DL0DA", "", "599", 'b', "CW", 0, "EU", "DL", 2},
    {'B', 4, "DL1ABC", "B05", "599B05", 'b', "CW", 0, "EU", "DL", 2},
    {'C', 1, "DL1ABC", "", "599", 'b', "CW", 0, "EU", "DL", 1},
    {'E', 1, "W1AW", "", "599", 'k', "CW", 500, "NA", "K", 0},
    {'F', 1, "DL", "", "599", 'k', "CW", 500, "EU", "DL", 0},
    {'G', 3, "DL1ABC", "", "599", 'k', "CW", 250, "EU", "DL", 250},
    {'H', 1, "OE1ABC", "", "599", 'b', "CW", 0, "EU", "OE", 0},
    {'I', 1, "DL0ABC", "I05", "599I05", 'b', "CW", 0, "EU", "DL", 2},
    {'l', 1, "DL1ABC", "I05", "599I05", 'b', "CW", 0, "EU", "DL", 1},
    {'J', 1, "DL1ABC", "", "599", 'k', "CW", 321, "EU", "DL", 321},
    {'K', 1, "DL1ABC", "B05", "599B05", 'b', "CW", 0, "EU", "DL", 1},
    {'L', 1, "DL0JRR", "", "599", 'b', "CW", 0, "EU", "DL", 10},
    {'N', 1, "DL1ABC", "", "599", 'm', "CW", 80, "EU", "DL", 80},
    {'O', 1, "DL1ABC", "B05", "599B05", 'k', "CW", 400, "EU", "DL", 400},
    {'P', 1, "DL1ABC", "", "59 XX", 'b', "SSB", 0, "EU", "DL", 20},
    {'Q', 1, "DL", "", "599", 'b', "CW", 0, "EU", "DL", 1},
    {'R', 1, "DL1ABC", "B05", "599B05", 'b', "CW", 0, "EU", "DL", 5},
    {'V', 1, "DL1ABC", "", "599", 'b', "CW", 0, "EU", "DL", 1},
    {'Y', 1, "DL0Z", "", "599", 'b', "CW", 0, "EU", "DL", 10},
    {'Z', 1, "DL1ABC", "", "599IPA12", 'b', "CW", 0, "EU", "DL", 5},
    {'c', 1, "DL1ABC", "", "59", 'b', "SSB", 0, "EU", "DL", 4},
    {'d', 1, "DL", "", "599", 'b', "CW", 0, "EU", "DL", 0},
    {'e', 1, "DL1ABC", "I38", "599I38", 'k', "CW", 0, "EU", "DL", 0},
    {'g', 1, "DL1ABC", "I38", "599001/JO31AA/I38", 'k', "CW", 0, "EU", "DL", 0},
    {'h', 1, "DL1ABC", "B05", "599B05", 'n', "CW", 0, "EU", "DL", 3},
    {'i', 1, "DL1ABC", "", "599MF123", 'b', "CW", 0, "EU", "DL", 10},
    {'k', 1, "DL0QCW", "", "599", 'b', "CW", 0, "EU", "DL", 10},
};

TEST(PointsRuleTableTest, OneContactPerCodeScoresByItsRule) {
  std::set<char> covered;
  for (const Sample& s : kSamples) {
    DefinitionInputs in;
    in.ContestCode = s.code;
    in.ClassNumber = s.cls;
    in.OwnDok = "I38";
    in.OwnLocator = "JO43KD";
    const ContestDefinition d = BuildContestDefinition(in);
    ScoringContext c;
    c.code = s.code;
    c.definition = &d;
    c.own_dok = "I38";
    c.own_locator = "JO43KD";
    c.class_number = s.cls;
    std::vector<std::uint8_t> r(qso::kLength, 0);
    PutText(r, qso::kCall, s.call);
    StoreRcvdDok(r, s.dok);
    StoreRcvdExchange(r, s.rcvd);
    PutU8(r, qso::kBand.offset, static_cast<std::uint8_t>(s.band));
    PutText(r, qso::kMode, s.mode);
    PutI32(r, qso::kQrbKm.offset, s.qrb);
    PutText(r, qso::kContinent, s.continent);
    PutText(r, qso::kCountryPrefix, s.country);
    EXPECT_EQ(QsoPoints(r, c), s.points) << "contest " << s.code;
    covered.insert(s.code);
  }
  for (char code : AllContestCodes()) EXPECT_TRUE(covered.count(code)) << "no sample for contest " << code;
}

}  // namespace
}  // namespace vek
