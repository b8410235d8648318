// Where the rules come from, how link targets are mended, and which output
// items the setup dialog's menu offers.
#include "catalogue/contest_rules.h"

#include <gtest/gtest.h>

#include "base/cp1252.h"
#include "catalogue/contest_definition.h"

namespace vek {
namespace {

TEST(ContestRulesTest, RulesFilesAndPagesByCode) {
  EXPECT_EQ(RulesFileName('1'), Text("darc10r.RTF"));
  EXPECT_EQ(RulesFileName('l'), Text("nordseeR.RTF"));
  EXPECT_EQ(RulesFileName('M'), Text("DMPARTYR.RTF"));
  // Codes without a file of their own get the default one.
  EXPECT_EQ(RulesFileName('7'), std::nullopt);  // a web page instead
  EXPECT_EQ(RulesFileName('x'), Text("MVPR.RTF"));
  // This edition's contest has rules of its own.
  EXPECT_EQ(RulesFileName('g'), Text(kOwnRulesFile));
  for (char c : std::string("67BDFHJVdej")) {
    EXPECT_TRUE(RulesWebAddress(c)) << c;
    EXPECT_FALSE(RulesFileName(c)) << c;
  }
  EXPECT_NE(*RulesWebAddress('j', true), *RulesWebAddress('j', false));
  EXPECT_FALSE(RulesWebAddress('g'));
}

TEST(ContestRulesTest, LinkTargetsMendSlashedZerosAndAddMailtoOnce) {
  EXPECT_EQ(LinkTarget("www.dl\xD8" "abc.de"), "www.dl0abc.de");
  EXPECT_EQ(LinkTarget("https://x\xD8y\xD8.de"), "https://x0y0.de");
  EXPECT_EQ(LinkTarget("dl\xD8" "abc@darc.de"), "mailto:dl0abc@darc.de");
  EXPECT_EQ(LinkTarget("mailto:a@b.de"), "mailto:a@b.de");
  EXPECT_EQ(LinkTarget("MAILTO:a@b.de"), "MAILTO:a@b.de");
  EXPECT_EQ(LinkTarget("https://b.de"), "https://b.de");
}

TEST(ContestRulesTest, TheOutputMenuOfContestGOffersItsItems) {
  DefinitionInputs in;
  in.ContestCode = 'g';
  const auto menu = OutputMenu(BuildContestDefinition(in));
  ASSERT_EQ(menu.size(), 14u);
  std::vector<Text> enabled;
  for (const auto& e : menu)
    if (e.enabled) enabled.push_back(e.caption);
  EXPECT_EQ(enabled, (std::vector<Text>{"E-Log Gesamtdatei", "E-Log Deckblatt", "E-Log QSO-Liste", "E-Log Band-Liste",
                                        "ADIF- Exportdatei der QSO-Liste", "CSV- Exportdatei der QSO-Liste",
                                        "Papierlog - Deckblatt", "Papierlog - QSO-Liste", "Papierlog - Band-Liste"}));
  EXPECT_EQ(menu[0].caption, "STF-Datei");
  EXPECT_EQ(menu[1].caption, "EDI-Datei");
  EXPECT_TRUE(menu[1].separator_after);
  EXPECT_TRUE(menu[7].separator_after);  // after "Cabrillo-Datei"
  EXPECT_TRUE(menu[9].separator_after);  // after the CSV item
}

TEST(ContestRulesTest, StfAndEdiReadAsRecommendedWhereOffered) {
  DefinitionInputs in;
  in.ContestCode = 'V';
  in.ClassNumber = 1;
  const auto menu = OutputMenu(BuildContestDefinition(in));
  EXPECT_EQ(menu[0].caption, "STF-Datei (empfohlen)");
  EXPECT_TRUE(menu[0].enabled);
  EXPECT_TRUE(menu.back().enabled);  // "Papierlog - Multi-Checkliste", item 8
  EXPECT_FALSE(menu[7].enabled);     // no contest offers Cabrillo
}

}  // namespace
}  // namespace vek
