// The prefix tables built from the real country file answer every prefix
// and every exact call of that file with its own country.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "base/scripted_user_port.h"
#include "refdata/cty_import.h"
#include "refdata/prefix_lookup.h"
#include "refdata/prefix_record.h"
#include "store/memory_file_system.h"

namespace vek {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(CtyParseTest, EntitiesAliasesAndOverrides) {
  const std::string text =
      "Fiji:                     32:  56:  OC:  -17.78:  -177.92:   -12.0:  3D2:\n"
      "    3D2,=3D5X;\n"
      "European Russia:          16:  29:  EU:   53.65:   -41.37:    -4.0:  UA:\n"
      "    R,U,R8FF(17)[30],=R100AP{AS}<1.0/2.0>~3~;\n"
      "Sicily:                   15:  28:  EU:   37.50:   -14.00:    -1.0:  *IT9:\n"
      "    IB9;\n";
  int skipped = -1;
  const auto entities = ParseCtyDat(text, &skipped);
  EXPECT_EQ(skipped, 0);
  ASSERT_EQ(entities.size(), 3u);
  EXPECT_EQ(entities[0].name, "Fiji");
  EXPECT_EQ(entities[0].primary, "3D2");
  ASSERT_EQ(entities[0].aliases.size(), 2u);
  EXPECT_TRUE(entities[0].aliases[1].exact);
  EXPECT_EQ(entities[0].aliases[1].text, "3D5X");
  const CtyAlias& r8ff = entities[1].aliases[2];
  EXPECT_EQ(r8ff.text, "R8FF");
  EXPECT_EQ(r8ff.cq, "17");
  EXPECT_EQ(r8ff.itu, "30");
  EXPECT_EQ(r8ff.continent, "EU");
  EXPECT_EQ(entities[1].aliases[3].continent, "AS");
  EXPECT_EQ(entities[1].aliases[3].text, "R100AP");
  EXPECT_EQ(entities[2].primary, "IT9");  // the WAE mark is dropped
  EXPECT_EQ(ParseCtyCsv("1A,Sov Mil Order of Malta,246,EU,15,28,41.90,-12.43,-1.0,1A;\n").at("1A"), 246);
}

TEST(CtyImportTest, EveryPrefixAndExactCallOfTheRealFileFindsItsCountry) {
  const std::string dat = ReadFile("/usr/share/hamradio-files/cty.dat");
  if (dat.empty()) GTEST_SKIP() << "cty.dat of Debian's hamradio-files is not installed";
  const auto entities = ParseCtyDat(dat);
  ASSERT_GT(entities.size(), 300u);
  store::MemoryFileSystem fs;
  store::StoreEnvironment env;
  env.fs = &fs;
  store::FileManager fm(env);
  ASSERT_EQ(fm.InitFileManager(), 0);
  SuiteFiles files(fm);
  CtyImportCounts counts;
  ASSERT_TRUE(ImportCty(files, entities, ParseCtyCsv(ReadFile("/usr/share/hamradio-files/cty.csv")), counts));
  EXPECT_GT(counts.prefixes, 5000);
  EXPECT_GT(counts.exact_calls, 10000);
  // An exact call wins over a prefix of the same text (EF6 is a call of
  // Spain and a prefix of the Balearic Islands), and an exact call the six
  // characters of the field cannot tell apart from another was refused.
  std::set<Text> exact_calls, refused(counts.refused_calls.begin(), counts.refused_calls.end());
  for (const CtyEntity& e : entities)
    for (const CtyAlias& a : e.aliases)
      if (a.exact) exact_calls.insert(a.text);
  ScriptedUserPort port;
  PrefixLookup lookup(files, port, *DayNumberFromDate(2026, 12, 9));
  int checked = 0, wrong = 0;
  std::string examples;
  for (const CtyEntity& e : entities) {
    for (const CtyAlias& a : e.aliases) {
      if (!a.exact && a.text.size() > 6) continue;  // counted as too long by the import
      if (a.exact ? refused.count(a.text) > 0 : exact_calls.count(a.text) > 0) continue;
      const PrefixResult r = lookup.LookupPrefix(a.text, 0);
      ++checked;
      const bool right = r.status == PrefixStatus::kFound &&
                         GetText(r.record, prefix_record::kDxccPrefix) == Cut(e.primary, 6) &&
                         GetText(r.record, prefix_record::kContinent) == a.continent;
      if (!right) {
        if (++wrong <= 10) examples += " " + a.text + "(" + e.primary + ")";
      }
    }
  }
  EXPECT_GT(checked, 15000);
  EXPECT_EQ(wrong, 0) << "wrong:" << examples;
  EXPECT_LT(counts.refused, counts.exact_calls / 5);
}

}  // namespace
}  // namespace vek

namespace vek {
namespace {

// A new country file replaces the tables whole: while another program has
// the prefix table open the import gives up and the old table stays as it
// was; once it is free, the new one takes its place and no work file stays.
TEST(CtyImportTest, TheTablesGiveWayWholeOrNotAtAll) {
  const char* kOld = "Germany:14:28:EU:51.00:-10.00:-1.0:DL:\n    DA,DB,DC,DD,DE,DF,DG,DH,DJ,DK,DL,DM,DN,DO,DP,DQ,DR;\n";
  const char* kNew = "Austria:15:28:EU:47.33:-13.33:-1.0:OE:\n    OE;\n";
  store::MemoryFileSystem fs;
  store::StoreEnvironment env;
  env.fs = &fs;
  env.sleep = [](std::chrono::milliseconds) {};
  store::FileManager fm(env), other(env);
  ASSERT_EQ(fm.InitFileManager(), 0);
  ASSERT_EQ(other.InitFileManager(), 0);
  fm.SetLockQuestion([](const std::string&, store::LockQuestion q) {
    return q == store::LockQuestion::kRebuildIndex || q == store::LockQuestion::kCreateFiles;
  });
  SuiteFiles files(fm), others_files(other);
  CtyImportCounts counts;
  ASSERT_TRUE(ImportCty(files, ParseCtyDat(kOld), {}, counts));
  EXPECT_EQ(counts.prefixes, 17);

  store::FileBlock* held = others_files.OpenSuiteFile(SuiteFile::kPrefixes);
  ASSERT_EQ(other.FirstKey(held, 1), 0);  // the other program has the table open
  CtyImportCounts second;
  EXPECT_FALSE(ImportCty(files, ParseCtyDat(kNew), {}, second));
  EXPECT_EQ(other.RecordCount(held), 17);
  others_files.CloseSuiteFile(SuiteFile::kPrefixes);

  CtyImportCounts third;
  ASSERT_TRUE(ImportCty(files, ParseCtyDat(kNew), {}, third));
  store::FileBlock* table = files.OpenSuiteFile(SuiteFile::kPrefixes);
  EXPECT_EQ(fm.RecordCount(table), 1);
  files.CloseSuiteFile(SuiteFile::kPrefixes);
  for (const char* work : {"QVPREFNE.DAT", "QVPREFNE.IX", "QVPREENE.DAT", "QVPREENE.IX"})
    EXPECT_FALSE(fs.Exists(work)) << work;
}

}  // namespace
}  // namespace vek

namespace vek {
namespace {

// A batch keeps the tables open and their entries in memory: every call of
// the super-check-partial file must find exactly what a lookup that opens
// and searches the tables itself finds, also after the tables changed.
TEST(CtyImportTest, HeldTablesFindWhatSearchedTablesFind) {
  const std::string dat = ReadFile("/usr/share/hamradio-files/cty.dat");
  const std::string scp = ReadFile("/usr/share/hamradio-files/MASTER.SCP");
  if (dat.empty() || scp.empty()) GTEST_SKIP() << "Debian's hamradio-files is not installed";
  store::MemoryFileSystem fs;
  store::StoreEnvironment env;
  env.fs = &fs;
  store::FileManager fm(env);
  ASSERT_EQ(fm.InitFileManager(), 0);
  SuiteFiles files(fm);
  CtyImportCounts counts;
  ASSERT_TRUE(ImportCty(files, ParseCtyDat(dat), ParseCtyCsv(ReadFile("/usr/share/hamradio-files/cty.csv")), counts));
  std::vector<std::string> calls;
  std::istringstream lines(scp);
  int n = 0;
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && line[0] != '#' && n++ % 3 == 0) calls.push_back(line);
  calls.insert(calls.end(), {"EF6", "R100AP", "3D2/R", "DL1ABC/P", "OE/DL1ABC", "KG4AA", "UA9-2", "X"});
  ASSERT_GT(calls.size(), 20000u);

  ScriptedUserPort port;
  port.SetDefaultChoice(ScriptedUserPort::kTakePreselected);
  const DayNumber today = *DayNumberFromDate(2026, 12, 9);
  const auto all = [&](PrefixLookup& lookup) {
    std::vector<std::pair<PrefixStatus, std::vector<std::uint8_t>>> out;
    for (const std::string& c : calls) {
      const PrefixResult r = lookup.LookupPrefix(c, 0);
      out.emplace_back(r.status, r.record);
    }
    return out;
  };
  PrefixLookup searched(files, port, today);
  const auto expected = all(searched);
  PrefixLookup held(files, port, today);
  held.HoldTables();
  const auto got = all(held);
  ASSERT_EQ(got.size(), expected.size());
  int differ = 0;
  for (std::size_t i = 0; i < got.size(); ++i)
    if (got[i] != expected[i] && ++differ <= 5) ADD_FAILURE() << calls[i];
  EXPECT_EQ(differ, 0);

  // An exact call added to the first table while it is held: the next
  // lookup sees it.
  store::FileBlock* fb = files.OpenSuiteFile(SuiteFile::kPrefixOverrides1);
  ASSERT_NE(fb, nullptr);
  ASSERT_EQ(fm.FirstKey(fb, 1), 0);
  std::vector<std::uint8_t> record(fm.RecordBuffer(fb).begin(), fm.RecordBuffer(fb).end());
  fm.ClearRecord(fb);
  std::copy(record.begin(), record.end(), fm.RecordBuffer(fb).begin());
  PutI32(fm.RecordBuffer(fb), 0, 0);
  PutText(fm.RecordBuffer(fb), prefix_record::kPrefix, "DL9ZZZ");
  ASSERT_EQ(fm.AddRecord(fb), 0);
  files.CloseSuiteFile(SuiteFile::kPrefixOverrides1);
  const PrefixResult r = held.LookupPrefix("DL9ZZZ", 0);
  EXPECT_EQ(GetText(r.record, prefix_record::kDxccPrefix), GetText(record, prefix_record::kDxccPrefix));
  EXPECT_NE(GetText(r.record, prefix_record::kDxccPrefix), "DL");

  // A lookup whose tables close after it (a command that looks up one call)
  // searches them; reading them whole is for tables that stay open.
  const auto bytes_read_by_one_lookup = [&](bool hold) {
    store::FileManager process(env);  // a program of its own: nothing read yet
    EXPECT_EQ(process.InitFileManager(), 0);
    SuiteFiles its_files(process);
    PrefixLookup one(its_files, port, today);
    if (hold) one.HoldTables();
    const std::int64_t before = fs.bytes_read();
    EXPECT_EQ(one.LookupPrefix("DL1ABC", 0).status, PrefixStatus::kFound);
    return fs.bytes_read() - before;
  };
  const std::int64_t searched_bytes = bytes_read_by_one_lookup(false),
                     held_bytes = bytes_read_by_one_lookup(true);
  EXPECT_LT(searched_bytes * 20, held_bytes);
}

}  // namespace
}  // namespace vek
