#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "catalogue/contest_definition.h"

namespace vek {
namespace {

DefinitionInputs Inputs(char code, int class_number = 1) {
  DefinitionInputs in;
  in.ContestCode = code;
  in.ClassNumber = class_number;
  in.DateFrom = *DayNumberFromDate(2008, 11, 15);
  in.Today = *DayNumberFromDate(2026, 12, 9);
  in.OwnDok = "I38";
  in.OwnPostcode = "26129";
  in.OwnLdk = "NS";
  in.OwnLocator = "JO43KD";
  in.ClubMemberText = "NAV123";
  in.ExtraNumber = 12;
  return in;
}

std::vector<int> Kinds(const ContestDefinition& d) {
  std::vector<int> k = {d.RcvdKind1, d.RcvdKind2, d.RcvdKind3};
  while (!k.empty() && k.back() == 0) k.pop_back();  // a trailing 0 is left out
  if (k.empty()) k.push_back(0);
  return k;
}

std::vector<int> Elements(const ElementSet& s) {
  std::vector<int> out;
  for (int i = 0; i < 256; ++i)
    if (s.test(static_cast<std::size_t>(i))) out.push_back(i);
  return out;
}

std::vector<std::string> Names(const ContestDefinition& d) {
  std::vector<std::string> n;
  for (const Text* t : {&d.MultName1, &d.MultName2, &d.MultName3})
    if (!t->empty()) n.push_back(*t);
  return n;
}

// The field table of every code: bands and modes are the union over the
// classes; kinds, multipliers, captions, duplicate rules and UTC offsets
// list the alternatives the classes choose from.
struct Row {
  char code;
  std::string bands;
  std::set<std::string> modes;
  std::set<std::vector<int>> kinds;
  std::set<std::vector<int>> multipliers;
  std::set<std::vector<std::string>> names;
  std::set<int> dupe;
  int scope;
  std::vector<int> outputs;
  int classes;
  std::set<int> utc;
};

const std::vector<Row>& FieldTable() {
  static const std::vector<Row> rows = {
      {'1', "i", {"SSB", "CW"}, {{7, 4}}, {{2, 3, 4, 14}}, {{"DOK", "DXCC"}}, {2}, 0, {1, 2, 3, 4, 5, 6, 7, 8, 10}, 6, {-1}},
      {'2', "k", {"SSB", "CW", "FM"}, {{4, 5}}, {{4, 5}}, {{"DOK", "Loc"}}, {2}, 0, {1, 2, 3, 4, 5, 6}, 1, {-2}},
      {'3', "bci", {"SSB", "CW"}, {{4}}, {{4}}, {{"DOK"}}, {2}, 0, {1, 2, 3, 4, 5, 6}, 2, {-2}},
      {'4', "bc", {"CW"}, {{17, 99}}, {{17}}, {{"LDK"}}, {2}, 0, {1, 2, 3, 4, 5, 6, 7}, 1, {-1}},
      {'5', "bcegikl", {"SSB", "CW", "FM", "DIGITAL"}, {{15}}, {{15}}, {{"PLZ"}}, {2}, 1, {3, 4, 5, 6}, 4, {-2}},
      {'6', "bcegi", {"CW"}, {{99}}, {{}}, {{}}, {4}, 0, {1, 2, 3, 4, 5, 6}, 6, {-1}},
      {'7', "bcegikl", {"SSB", "CW", "FM"}, {{16}, {16, 5}}, {{2, 3, 14, 16}, {5, 16}},
       {{"DXCC", "DIG"}, {"Loc", "DIG"}}, {1}, 0, {1, 2, 3, 4, 5, 6}, 4, {-1, -2}},
      {'8', "kl", {"CW"}, {{7, 99, 6}}, {{}}, {{}}, {2}, 0, {1, 2, 4, 5, 6, 7, 10, 13}, 6, {-1}},
      {'9', "abcegi", {"CW", "SSB"}, {{7}}, {{2, 3, 14}}, {{"DXCC"}}, {2}, 0, {1, 2, 3, 4, 5, 6, 7, 10}, 6, {-2}},
      {'A', "bc", {"CW"}, {{0}}, {{}}, {{}}, {2}, 0, {1, 2, 3, 4, 5, 6, 7}, 4, {-2}},
      {'B', "bckl", {"SSB", "CW"}, {{4}, {4, 6}}, {{2, 3, 4}}, {{"DOK", "DXCC"}}, {1}, 0, {1, 2, 3, 4, 5, 6, 7}, 4, {-2}},
      {'C', "bckl", {"SSB", "CW", "FM"}, {{4}}, {{4}}, {{"DOK"}}, {1}, 0, {1, 2, 3, 4, 5, 6, 7, 8, 10}, 5, {-1}},
      {'D', "bc", {"CW"}, {{7, 4}}, {{2, 3, 4}}, {{"DOK", "DXCC"}}, {2}, 0, {1, 2, 3, 4, 5, 6, 7}, 4, {-2}},
      {'E', "klabcegi", {"SSB", "CW", "FM", "PR"}, {{6}}, {{}}, {{}}, {3}, 1, {1, 2, 3, 4, 5, 6}, 2, {-2}},
      {'F', "bckl", {"CW", "SSB", "FM", "PR"}, {{7, 4}, {7, 4, 5}}, {{4}, {4, 5}}, {{"DOK"}, {"DOK", "Loc"}}, {2}, 0,
       {1, 2, 4, 5, 6}, 6, {-2}},
      {'G', "bcklmnopqs", {"CW", "SSB"}, {{4}, {4, 6}}, {{4}}, {{"DOK"}}, {1}, 2, {1, 2, 3, 4, 5, 6}, 8, {-2}},
      {'H', "abcegi", {"SSB", "CW", "DIGITAL"}, {{0}, {8}}, {{8}}, {{"Area"}}, {1}, 0, {1, 2, 3, 4, 5, 6, 7, 10}, 7, {-2}},
      {'I', "bc", {"SSB", "CW", "DIGITAL"}, {{4}}, {{4}}, {{}}, {1}, 0, {1, 2, 3, 4, 5, 6}, 2, {-2}},
      {'J', "bckl", {"SSB", "CW"}, {{4, 6}}, {{2, 3, 4, 5}}, {{"DOK", "DXCC", "Loc"}}, {2}, 0, {1, 2, 3, 4, 5, 6}, 2, {-2}},
      {'K', "bikl", {"SSB", "FM", "CW"}, {{13, 4}}, {{4}}, {{"DOK"}}, {1}, 0, {1, 2, 3, 4, 5, 6}, 8, {-1}},
      {'L', "bikl", {"SSB", "CW"}, {{7, 4}}, {{4}}, {{"DOK"}}, {2}, 0, {1, 2, 3, 4, 5, 6}, 9, {-2}},
      {'N', "klmjnpqs", {"SSB", "CW", "FM"}, {{6}}, {{5}}, {{"Loc"}}, {2}, 0, {1, 2, 3, 4, 5, 6}, 5, {-2}},
      {'O', "cbkl", {"SSB", "CW", "FM"}, {{7, 4}, {7, 4, 6}}, {{2, 3, 4}}, {{"DOK", "DXCC"}}, {1}, 1,
       {1, 2, 3, 4, 5, 6}, 14, {-1}},
      {'P', "bcegikl", {"SSB", "CW", "FM", "DIGITAL"}, {{99}}, {{1, 2}}, {{"Prefix"}}, {2}, 1, {3, 4, 5, 6}, 3, {-1}},
      {'Q', "bckl", {"CW", "SSB", "FM"}, {{4}, {4, 6}}, {{}}, {{}}, {1}, 1, {1, 2, 3, 4, 5, 6, 7, 8, 10}, 10, {-1}},
      {'R', "klb", {"CW", "SSB", "FM"}, {{4, 6}, {4}}, {{4, 10}}, {{"DOK", "Callmulti"}}, {2}, 0, {1, 2, 3, 4, 5, 6}, 6, {-2}},
      {'S', "biklc", {"CW", "SSB", "FM"}, {{7, 4}}, {{4}}, {{"DOK"}}, {2, 0}, 0, {1, 2, 3, 4, 5, 6}, 8, {-2}},
      {'T', "bklmnopqs", {"CW", "SSB", "FM"}, {{4}}, {{4}}, {{"DOK"}}, {2}, 1, {1, 2, 3, 4, 5, 6}, 13, {-2}},
      {'U', "bckl", {"CW", "SSB", "FM"}, {{4}, {4, 5}}, {{4}, {4, 5}}, {{"DOK"}, {"DOK", "Loc"}}, {1}, 0,
       {1, 2, 4, 5, 6}, 8, {-2}},
      {'V', "abkl", {"CW", "SSB", "DIGITAL", "FM", "PR"}, {{4, 99}, {4, 6}}, {{2, 4}}, {{"DOK", "DXCC"}}, {1}, 0,
       {1, 2, 3, 4, 5, 6, 7, 8, 12}, 9, {-1}},
      {'Y', "cbkl", {"SSB", "CW"}, {{4}, {4, 5}}, {{4}, {4, 5}}, {{"DOK"}, {"DOK", "Loc"}}, {1}, 0, {1, 2, 3, 4, 5, 6}, 6, {-1}},
      {'Z', "bcegi", {"SSB", "CW"}, {{11, 99, 12}}, {{2, 3, 12}}, {{"DXCC", "US-State"}}, {1}, 0, {1, 2, 3, 4, 5, 6}, 3, {-1}},
      {'a', "bckl", {"SSB", "CW", "FM"}, {{99, 4}}, {{4}}, {{"DOK"}}, {2}, 0, {1, 2, 3, 4, 5, 6, 7, 10}, 6, {-1}},
      {'b', "bce", {"CW"}, {{7, 99}}, {{2, 3}}, {{"DXCC"}}, {2}, 0, {1, 2, 3, 4, 5, 6, 7, 10}, 4, {-1}},
      {'c', "kl", {"SSB", "CW", "FM"}, {{4}}, {{4}}, {{"DOK"}}, {5}, 0, {1, 2, 3, 4, 5, 6}, 1, {-2}},
      {'d', "bcikl", {"SSB", "CW", "FM"}, {{4}}, {{4}}, {{"DOK"}}, {1}, 0, {1, 2, 3, 4, 5, 6, 7, 10}, 4, {-2}},
      {'e', "kl", {"CW", "SSB"}, {{7, 5, 4}}, {{4, 5}}, {{"Loc", "DOK"}}, {1}, 0, {1, 2, 3, 4, 5, 6, 7, 10}, 2, {-2}},
      {'f', "bce", {"CW"}, {{7, 16}}, {{16}}, {{"AGCW"}}, {2}, 0, {1, 2, 3, 4, 5, 6, 7}, 4, {-2}},
      {'g', "klm", {"CW", "SSB"}, {{7, 5, 4}}, {{4, 5}}, {{"Loc", "DOK"}}, {1}, 0, {1, 2, 4, 5, 6, 7, 10}, 2, {-1}},
      {'h', "biklmn", {"SSB", "CW", "FM", "DIGITAL"}, {{4}, {4, 5}, {0}}, {{4, 10, 18}, {4, 5, 10}, {}},
       {{"DOK", "Callmulti"}, {"DOK", "Callmulti", "Loc"}, {}}, {4}, 0, {1, 2, 4, 5, 6}, 6, {-1}},
      {'i', "bcgei", {"CW", "SSB"}, {{19}}, {{19}}, {{"Naval"}}, {2}, 1, {1, 2, 4, 5, 6, 10}, 6, {-1}},
      {'j', "k", {"CW", "SSB", "FSK441"}, {{6}}, {{}}, {{}}, {2}, 1, {1, 2, 4, 5, 6, 10}, 3, {-2}},
      {'k', "bc", {"CW", "SSB", "DIGITAL"}, {{19}}, {{19}}, {{"QCWA"}}, {1}, 1, {1, 2, 3, 4, 5, 6, 7}, 1, {-2}},
      {'l', "biklm", {"SSB", "CW", "FM", "DIGITAL"}, {{4}}, {{4}}, {{"DOK"}}, {1}, 0, {1, 2, 4, 5, 6}, 7, {-2}},
  };
  return rows;
}

TEST(ContestTableTest, EveryCodeAgreesWithTheFieldTableInEveryClass) {
  ASSERT_EQ(FieldTable().size(), 44u);
  ASSERT_EQ(AllContestCodes().size(), 44u);
  for (const Row& row : FieldTable()) {
    SCOPED_TRACE(std::string("code ") + row.code);
    EXPECT_NE(AllContestCodes().find(row.code), std::string_view::npos);
    std::set<char> bands;
    std::set<std::string> modes;
    std::set<std::vector<int>> kinds, multipliers;
    std::set<std::vector<std::string>> names;
    std::set<int> dupes, utcs;
    const ContestDefinition first = BuildContestDefinition(Inputs(row.code, 1));
    EXPECT_EQ(first.ClassCount(), row.classes);
    for (int n = 1; n <= row.classes; ++n) {
      SCOPED_TRACE("class " + std::to_string(n));
      const ContestDefinition d = BuildContestDefinition(Inputs(row.code, n));
      for (char b : d.Bands)
        if (b) bands.insert(b);
      for (const Text& m : d.Modes)
        if (!m.empty()) modes.insert(m);
      kinds.insert(Kinds(d));
      multipliers.insert(Elements(d.MultiplierKinds));
      names.insert(Names(d));
      dupes.insert(d.DupeRule);
      utcs.insert(d.UtcOffsetHours);
      EXPECT_EQ(d.MultiplierScope, row.scope);
      EXPECT_EQ(Elements(d.OutputItems), row.outputs);
      EXPECT_FALSE(d.Classes[static_cast<std::size_t>(n - 1)].Name.empty());
      const std::uint8_t period = d.Classes[static_cast<std::size_t>(n - 1)].Period;
      if (period > 0) {
        EXPECT_TRUE(d.BandSchedule[period - 1u].IsPeriod());
      }
    }
    EXPECT_EQ(bands, std::set<char>(row.bands.begin(), row.bands.end()));
    EXPECT_EQ(modes, row.modes);
    EXPECT_EQ(kinds, row.kinds);
    EXPECT_EQ(multipliers, row.multipliers);
    EXPECT_EQ(names, row.names);
    EXPECT_EQ(dupes, row.dupe);
    EXPECT_EQ(utcs, row.utc);
  }
}

TEST(ContestTableTest, ClassZeroIsClassOneAndAClassBeyondTheCasesSetsNothingOfItsOwn) {
  for (char code : AllContestCodes()) {
    SCOPED_TRACE(std::string("code ") + code);
    const ContestDefinition zero = BuildContestDefinition(Inputs(code, 0));
    const ContestDefinition one = BuildContestDefinition(Inputs(code, 1));
    EXPECT_TRUE(zero == one);
  }
  const ContestDefinition v10 = BuildContestDefinition(Inputs('V', 10));
  const ContestDefinition v1 = BuildContestDefinition(Inputs('V', 1));
  EXPECT_TRUE(v10.Modes[0].empty());
  EXPECT_EQ(v10.Bands[0], 0);
  EXPECT_EQ(v10.RcvdKind1, 0);
  EXPECT_EQ(v10.SentKind1, 0);
  EXPECT_TRUE(v10.MultName1.empty());
  EXPECT_TRUE(v10.BandSchedule == v1.BandSchedule);
  EXPECT_TRUE(v10.Classes == v1.Classes);
  EXPECT_TRUE(v10.HomeRegion == v1.HomeRegion);
  EXPECT_EQ(Elements(v10.MultiplierKinds), (std::vector<int>{2, 4}));  // common to all classes of V
  const ContestDefinition b5 = BuildContestDefinition(Inputs('B', 5));
  EXPECT_TRUE(b5.MultiplierKinds.none());  // B's multipliers are class values
}

TEST(ContestTableTest, UnknownCodeGivesTheZeroedRecordWithDefaultOutputs) {
  for (char code : {'M', 'W', 'X', '0', 'm', '['}) {
    const ContestDefinition d = BuildContestDefinition(Inputs(code));
    EXPECT_EQ(Elements(d.OutputItems), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(d.ContestTitle.empty());
    EXPECT_EQ(d.ClassCount(), 0);
  }
  EXPECT_EQ(ContestLabel('g'), "Nordsee-Contest UKW");
  EXPECT_EQ(ContestLabel('M'), "");
}

TEST(ContestGTest, EqualsItsDefinitionFieldByField) {
  DefinitionInputs in = Inputs('g', 2);
  in.OwnLocator = "JO62MM";
  DefinitionEffects effects;
  const ContestDefinition d = BuildContestDefinition(in, &effects);
  EXPECT_EQ(d.SentFieldsShown, 0);
  EXPECT_EQ(d.Modes[0], "CW");
  EXPECT_EQ(d.Modes[1], "SSB");
  EXPECT_TRUE(d.Modes[2].empty());
  EXPECT_EQ(std::string(d.Bands.data(), 4), std::string("klm\0", 4));
  EXPECT_EQ(Elements(d.MultiplierKinds), (std::vector<int>{4, 5}));
  ASSERT_TRUE(d.BandSchedule[2].IsPeriod());
  EXPECT_EQ(d.BandSchedule[0].DateFrom, "15.11.2008");
  EXPECT_EQ(d.BandSchedule[0].TimeFrom, "14:00:00");
  EXPECT_EQ(d.BandSchedule[0].TimeTo, "17:00:00");
  EXPECT_EQ(d.BandSchedule[0].Bands[0], 'k');
  EXPECT_EQ(d.BandSchedule[1].DateFrom, "16.11.2008");
  EXPECT_EQ(d.BandSchedule[1].TimeFrom, "08:30:00");
  EXPECT_EQ(d.BandSchedule[1].TimeTo, "10:30:00");
  EXPECT_EQ(d.BandSchedule[1].Bands[0], 'l');
  EXPECT_EQ(d.BandSchedule[2].TimeFrom, "11:00:00");
  EXPECT_EQ(d.BandSchedule[2].TimeTo, "12:00:00");
  EXPECT_EQ(d.BandSchedule[2].Bands[0], 'm');
  EXPECT_FALSE(d.BandSchedule[3].IsPeriod());
  EXPECT_TRUE(d.BandSchedule[0].DateTo.empty());
  EXPECT_EQ(d.MultName1, "Loc");
  EXPECT_EQ(d.MultName2, "DOK");
  EXPECT_TRUE(d.MultName3.empty());
  EXPECT_EQ((std::vector<int>{d.RcvdKind1, d.RcvdKind2, d.RcvdKind3}), (std::vector<int>{7, 5, 4}));
  EXPECT_EQ((std::vector<int>{d.SentKind1, d.SentKind2, d.SentKind3}), (std::vector<int>{7, 5, 4}));
  EXPECT_EQ(d.SentValue1, "");
  EXPECT_EQ(d.SentValue2, "JO62");
  EXPECT_EQ(d.SentValue3, "I38");
  EXPECT_EQ(d.DupeRule, 1);
  EXPECT_TRUE(d.RequiredRegion.IsEmpty());
  EXPECT_TRUE(d.SpecialStationsEmpty());
  EXPECT_TRUE(d.HomeRegion == d.MultiplierRegion);
  EXPECT_EQ(d.HomeRegion.Districts[0], 'I');
  EXPECT_EQ(d.HomeRegion.Districts[1], 0);
  const std::vector<std::string> doks = {"Z02", "Z31", "Z36", "Z43", "Z53", "Z65", "40I23", "DVI", "IPAHB", "DOK",
                                         "33I28", "DKTOS", "OL900", "60I15", "60VEGESACK", "75I04", "QCWA08",
                                         "30I37", "60I08", "50I19", "60BHVI05", "QCWA", "YLI", "AWG", "YL", "RDP",
                                         "ND", "JR", "HFC", "FZH", "DSW", "CW"};
  for (std::size_t i = 0; i < 100; ++i) EXPECT_EQ(d.HomeRegion.Doks[i], i < doks.size() ? doks[i] : "") << i;
  EXPECT_EQ(d.ContestTitle, "UKW Nordsee-Contest 2008");
  EXPECT_EQ(d.EditionName, "Vek UKW Nordsee Version 2008-2.0");
  EXPECT_EQ(d.EditionTitle.rfind(d.EditionName, 0), 0u);
  EXPECT_GT(d.EditionTitle.size(), d.EditionName.size());
  EXPECT_EQ(d.Classes[0].Description, "Sektion A - Stationen aus dem DARC-Distrikt I");
  EXPECT_EQ(d.Classes[0].Name, "Sektion A");
  EXPECT_EQ(d.Classes[0].Period, 0);
  EXPECT_EQ(d.Classes[1].Description, "Sektion B - Stationen au\xDF" "erhalb DARC-Distrikt I");
  EXPECT_EQ(d.Classes[1].Name, "Sektion B");
  EXPECT_EQ(d.ClassCount(), 2);
  EXPECT_EQ(d.StartDate, "15.11.2008");
  EXPECT_EQ(d.EndDate, "16.11.2008");
  EXPECT_EQ(d.StartTime, "08:30");
  EXPECT_EQ(d.EndTime, "17:00");
  EXPECT_EQ(d.UtcOffsetHours, -1);
  EXPECT_EQ(Elements(d.OutputItems), (std::vector<int>{1, 2, 4, 5, 6, 7, 10}));
  EXPECT_EQ(d.AutoBandByTime, 1);
  EXPECT_TRUE(d.ExcludedDok.empty());
  EXPECT_EQ(d.ShowEvaluationButton, 0);
  EXPECT_EQ(d.MultiplierScope, 0);
  EXPECT_EQ(d.ScoreIsPointSum, 0);
  EXPECT_EQ(d.ScorePerBandProduct, 0);
  EXPECT_TRUE(d.ClubName.empty() && d.ClubBonusWord.empty());
  EXPECT_TRUE(d.ExchCaption1.empty() && d.ExchCaption2.empty() && d.ExchCaption3.empty());
  EXPECT_FALSE(effects.TotalsInExtraRecord);
  EXPECT_FALSE(effects.EnglishMessages);
  // The class makes no difference in g.
  EXPECT_TRUE(d == BuildContestDefinition([&] { auto i = in; i.ClassNumber = 1; return i; }()));
}

TEST(ContestGTest, TitleFollowsTheLogAndPresetsFollowTheStation) {
  DefinitionInputs in = Inputs('g');
  in.DateFrom = *DayNumberFromDate(2009, 11, 21);
  EXPECT_EQ(BuildContestDefinition(in).ContestTitle, "UKW Nordsee-Contest 2009");
  in.DateFrom = 0;  // not set yet: the year of today
  EXPECT_EQ(BuildContestDefinition(in).ContestTitle, "UKW Nordsee-Contest 2026");
  in.OwnLocator = "JO6";
  EXPECT_EQ(BuildContestDefinition(in).SentValue2, "JO6");
  in.OwnDok = "";
  EXPECT_EQ(BuildContestDefinition(in).SentValue3, "");
}

TEST(ContestDataTest, ComputedValues) {
  DefinitionInputs n = Inputs('N');
  n.Today = *DayNumberFromDate(2010, 3, 3);
  EXPECT_EQ(BuildContestDefinition(n).StartDate, "03.03.2010");
  EXPECT_EQ(BuildContestDefinition(n).EndDate, "03.03.2010");
  for (char code : {'H', '2', '3', '7', '8', '9', 'c'}) {
    EXPECT_TRUE(BuildContestDefinition(Inputs(code)).StartDate.empty()) << code;
  }

  DefinitionInputs p = Inputs('P');
  p.ExtraNumber = -1;
  EXPECT_EQ(BuildContestDefinition(p).SentValue1, "XX");
  p.ExtraNumber = 7;
  EXPECT_EQ(BuildContestDefinition(p).SentValue1, "07");
  p.ExtraNumber = 70;
  EXPECT_EQ(BuildContestDefinition(p).SentValue1, "70");

  // The field that carries the member number: 1 for 6, 7, k; 2 for f and 4.
  for (auto [code, field] : {std::pair{'6', 1}, {'7', 1}, {'f', 2}, {'4', 2}, {'k', 1}}) {
    DefinitionInputs in = Inputs(code);
    in.ExtraNumber = 0;
    const ContestDefinition d = BuildContestDefinition(in);
    EXPECT_TRUE((field == 1 ? d.SentValue1 : d.SentValue2).empty()) << code;
    in.ExtraNumber = 4711;
    const ContestDefinition with = BuildContestDefinition(in);
    EXPECT_EQ(field == 1 ? with.SentValue1 : with.SentValue2, "4711") << code;
  }

  DefinitionInputs y = Inputs('Y');
  for (int extra : {0, 1, 2}) {
    y.ExtraNumber = extra;
    EXPECT_EQ(BuildContestDefinition(y).SentFieldsShown, extra == 2 ? 1 : 0);
  }
  EXPECT_EQ(BuildContestDefinition(Inputs('5')).SentValue1, "26");
  EXPECT_EQ(BuildContestDefinition(Inputs('4')).SentValue1, "NS");
  EXPECT_EQ(BuildContestDefinition(Inputs('2')).SentValue2, "JO43");
  EXPECT_EQ(BuildContestDefinition(Inputs('i')).SentValue1, "NAV123");
  EXPECT_EQ(BuildContestDefinition(Inputs('B', 1)).ExcludedDok, "I38");
  EXPECT_EQ(BuildContestDefinition(Inputs('O', 1)).ExcludedDok, "I38");
}

TEST(ContestDataTest, OwnDokAndYesNoChoices) {
  DefinitionInputs one = Inputs('1');
  EXPECT_EQ(BuildContestDefinition(one).SentKind2, kDok);
  EXPECT_EQ(BuildContestDefinition(one).SentValue2, "I38");
  one.OwnDok = "";
  EXPECT_EQ(BuildContestDefinition(one).SentKind1, kSerial);
  EXPECT_EQ(BuildContestDefinition(one).SentKind2, kNoField);

  DefinitionInputs c = Inputs('C', 1);
  EXPECT_EQ(BuildContestDefinition(c).SentKind1, kDok);
  c.OwnDok = "";
  EXPECT_EQ(BuildContestDefinition(c).SentKind1, kSerial);
  c.ClassNumber = 4;  // listener class: a second sent field of kind 7
  const ContestDefinition swl = BuildContestDefinition(c);
  EXPECT_EQ(swl.SentFieldsShown, 1);
  EXPECT_EQ(swl.SentKind2, kSerial);

  DefinitionInputs q = Inputs('Q', 2);
  q.OwnDok = "";
  EXPECT_EQ(BuildContestDefinition(q).SentKind1, kSerial);
  q.ClassNumber = 5;
  const ContestDefinition qv = BuildContestDefinition(q);
  EXPECT_EQ(qv.SentKind1, kDok);
  EXPECT_EQ(qv.SentValue1, "JO43KD");
  EXPECT_EQ(qv.SentKind2, kNoField);
  EXPECT_EQ(qv.RcvdKind2, kLocator6);

  DefinitionInputs z = Inputs('Z');
  EXPECT_EQ(BuildContestDefinition(z).SentValue2, "");
  z.QuestionAnswer = true;
  EXPECT_EQ(BuildContestDefinition(z).SentValue2, "IPA");
  EXPECT_EQ(BuildContestDefinition(z).SentKind3, kNoField);
  EXPECT_EQ(BuildContestDefinition(z).RcvdKind3, kUsState);

  const ContestDefinition h = BuildContestDefinition(Inputs('H', 1));
  EXPECT_EQ(h.RcvdKind1, kArea);
  EXPECT_EQ(h.SentKind1, kSerial);
  EXPECT_EQ(BuildContestDefinition(Inputs('H', 7)).SentKind1, kArea);
}

TEST(ContestDataTest, RegionsAndSideEffects) {
  const ContestDefinition v = BuildContestDefinition(Inputs('V', 1));
  EXPECT_EQ(v.HomeRegion.Doks[0], "MCM");
  EXPECT_TRUE(v.HomeRegion.Doks[1].empty());
  EXPECT_TRUE(v.HomeRegion.HoldsDok("MVP"));
  EXPECT_FALSE(v.HomeRegion.HoldsDok(""));
  EXPECT_TRUE(v.MultiplierRegion.IsEmpty());
  EXPECT_TRUE(v.RequiredRegion.IsEmpty());
  const ContestDefinition v8 = BuildContestDefinition(Inputs('V', 8));
  EXPECT_TRUE(v8.MultiplierRegion == v8.HomeRegion);
  EXPECT_TRUE(v8.RequiredRegion == v8.HomeRegion);

  const ContestDefinition b2 = BuildContestDefinition(Inputs('B', 2));
  EXPECT_EQ(b2.Classes[1].Period, 2);
  EXPECT_EQ(b2.BandSchedule[1].DateFrom, "11.04.2009");
  EXPECT_EQ(b2.BandSchedule[1].TimeFrom, "09:00:00");
  EXPECT_EQ(b2.BandSchedule[1].TimeTo, "11:00:00");
  int b_doks = 0;
  for (const Text& dok : b2.MultiplierRegion.Doks) b_doks += !dok.empty();
  EXPECT_EQ(b_doks, 42);
  EXPECT_TRUE(b2.MultiplierRegion.HoldsDistrict('A') && b2.MultiplierRegion.HoldsDistrict('P'));
  EXPECT_TRUE(b2.HomeRegion.IsEmpty());

  for (char code : {'F', 'J', 'R', 'G', 'S', 'T', 'L', 'l', 'C'}) {
    const ContestDefinition d = BuildContestDefinition(Inputs(code));
    EXPECT_FALSE(d.HomeRegion.IsEmpty()) << code;
    EXPECT_TRUE(d.MultiplierRegion == d.HomeRegion) << code;
  }
  for (char code : {'I', 'Y'}) {
    const ContestDefinition d = BuildContestDefinition(Inputs(code));
    EXPECT_EQ(d.MultiplierRegion.Districts, d.HomeRegion.Districts) << code;
    EXPECT_TRUE(d.MultiplierRegion.Doks[0].empty()) << code;
  }
  const ContestDefinition e = BuildContestDefinition(Inputs('e'));
  EXPECT_TRUE(e.MultiplierRegion == e.HomeRegion);
  EXPECT_TRUE(BuildContestDefinition(Inputs('h', 1)).MultiplierRegion.HoldsDistrict('K'));
  EXPECT_TRUE(BuildContestDefinition(Inputs('h', 4)).MultiplierRegion.IsEmpty());

  EXPECT_EQ(BuildContestDefinition(Inputs('R')).SpecialStations[0], "DA0RP");
  EXPECT_EQ(BuildContestDefinition(Inputs('h')).SpecialStations[6], "DL0K");
  EXPECT_TRUE(BuildContestDefinition(Inputs('g')).SpecialStationsEmpty());

  const std::string totals = "FJRGNSTLUIlZCKfYOQ123c67hijk";
  for (char code : AllContestCodes()) {
    DefinitionEffects effects;
    BuildContestDefinition(Inputs(code), &effects);
    EXPECT_EQ(effects.TotalsInExtraRecord, totals.find(code) != std::string::npos) << code;
    EXPECT_EQ(effects.EnglishMessages, code == 'H') << code;
  }
}

TEST(ContestDataTest, ClassDetailsOfTheExamples) {
  // S: the listener classes log the same call again on any band.
  for (int n = 5; n <= 8; ++n) EXPECT_EQ(BuildContestDefinition(Inputs('S', n)).DupeRule, 0) << n;
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(BuildContestDefinition(Inputs('S', n)).DupeRule, 2) << n;
  // h: classes 1-3 DOK, call and district-DOK multipliers, 4-5 DOK, locator field and call, 6 nothing.
  for (int n = 1; n <= 3; ++n)
    EXPECT_EQ(Elements(BuildContestDefinition(Inputs('h', n)).MultiplierKinds), (std::vector<int>{4, 10, 18}));
  for (int n = 4; n <= 5; ++n)
    EXPECT_EQ(Elements(BuildContestDefinition(Inputs('h', n)).MultiplierKinds), (std::vector<int>{4, 5, 10}));
  const ContestDefinition h6 = BuildContestDefinition(Inputs('h', 6));
  EXPECT_TRUE(h6.MultiplierKinds.none());
  EXPECT_EQ(Kinds(h6), std::vector<int>{0});
  // Automatic band by time where it is offered.
  for (char code : {'4', '7', 'J', 'V', 'e', 'g'}) EXPECT_EQ(BuildContestDefinition(Inputs(code)).AutoBandByTime, 1);
  for (int n : {1, 4}) EXPECT_EQ(BuildContestDefinition(Inputs('C', n)).AutoBandByTime, 1);
  for (int n : {2, 3, 5}) EXPECT_EQ(BuildContestDefinition(Inputs('C', n)).AutoBandByTime, 0);
  EXPECT_EQ(BuildContestDefinition(Inputs('G', 8)).AutoBandByTime, 1);
  EXPECT_EQ(BuildContestDefinition(Inputs('G', 7)).AutoBandByTime, 0);
  for (int n : {1, 2, 5, 6}) EXPECT_EQ(BuildContestDefinition(Inputs('U', n)).AutoBandByTime, 1);
  for (int n : {3, 4, 7, 8}) EXPECT_EQ(BuildContestDefinition(Inputs('U', n)).AutoBandByTime, 0);
  // V: class 0 and 1 are CW on 160 and 80 m.
  const ContestDefinition v0 = BuildContestDefinition(Inputs('V', 0));
  EXPECT_EQ(v0.Modes[0], "CW");
  EXPECT_TRUE(v0.Modes[1].empty());
  EXPECT_EQ(std::string(v0.Bands.data(), 2), "ab");
  EXPECT_EQ(v0.SentValue2, "26129");
  EXPECT_EQ(BuildContestDefinition(Inputs('V', 9)).SentFieldsShown, 1);
  EXPECT_EQ(BuildContestDefinition(Inputs('V', 6)).SentValue2, "JO43KD");
  EXPECT_EQ(BuildContestDefinition(Inputs('4')).ExchCaption2, "RTC-Nr");
  EXPECT_EQ(BuildContestDefinition(Inputs('Q', 3)).ExchCaption1, "DOK");
  EXPECT_EQ(BuildContestDefinition(Inputs('b', 1)).ExchCaption2, "Klasse");
  EXPECT_EQ(BuildContestDefinition(Inputs('Z')).ScorePerBandProduct, 1);
  EXPECT_EQ(BuildContestDefinition(Inputs('Z')).ClubBonusWord, "IPA");
  EXPECT_EQ(BuildContestDefinition(Inputs('i')).ClubName, "Naval");
  EXPECT_EQ(BuildContestDefinition(Inputs('P')).ShowEvaluationButton, 1);
  for (char code : {'5', 'P', 'N'}) EXPECT_EQ(BuildContestDefinition(Inputs(code)).ScoreIsPointSum, 1) << code;
}

TEST(ContestDataTest, TitlesWithTheYearOfTheLog) {
  const std::string with_year = "1489ABCDHKQVabdefg";
  for (char code : AllContestCodes()) {
    DefinitionInputs in = Inputs(code);
    in.DateFrom = *DayNumberFromDate(2011, 5, 1);
    const Text title = BuildContestDefinition(in).ContestTitle;
    EXPECT_EQ(title.size() > 5 && title.substr(title.size() - 5) == " 2011", with_year.find(code) != std::string::npos)
        << code << ": " << title;
  }
}

}  // namespace
}  // namespace vek
