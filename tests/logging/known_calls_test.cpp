// The known calls: which calls the partner panel offers for a typed text
// and in what order, the duplicate marks, what the history keeps, the
// exchange filled from it, the live distance, and sources that are missing
// or damaged.
#include "logging/known_calls.h"

#include <gtest/gtest.h>

#include "entry_session_fixture.h"
#include "logging/contest_log.h"
#include "refdata/call_book.h"
#include "refdata/program_settings.h"
#include "store/os_file.h"
#include "store/replacing_file.h"

namespace vek {
namespace {

std::vector<std::string> Calls(const std::vector<PartialMatch>& matches) {
  std::vector<std::string> calls;
  for (const PartialMatch& m : matches) calls.push_back(m.known->call);
  return calls;
}

// A contact as the log stores it, with only what the index reads.
std::vector<std::uint8_t> Contact(const char* call, char band, int day, int seconds, const char* locator,
                                  const char* dok) {
  std::vector<std::uint8_t> r(qso::kLength, 0);
  PutText(r, qso::kCall, call);
  PutU8(r, qso::kBand.offset, static_cast<std::uint8_t>(band));
  PutI32(r, qso::kDate.offset, day);
  PutI32(r, qso::kTime.offset, seconds);
  PutText(r, qso::kLocator, locator);
  StoreRcvdDok(r, dok);
  return r;
}

TEST(KnownCallsTest, TheExactCallComesFirstThenTheCallsStartingWithTheTextThenByWhereTheyHoldIt) {
  KnownCalls k;
  for (const char* c : {"OE/DL1AB", "DL1ABZ", "HB9/DL1AB", "DL1AB", "DL1ABC", "XDL1AB", "DK1AB", "9A/DL1ABC", "DL1AC"})
    k.AddScpCall(c);
  k.Finish();
  EXPECT_EQ(Calls(k.Partial("dl1ab", 0)),
            (std::vector<std::string>{"DL1AB", "DL1ABC", "DL1ABZ", "XDL1AB", "9A/DL1ABC", "OE/DL1AB", "HB9/DL1AB"}));
  EXPECT_TRUE(k.Partial("DL1AB", 0)[0].exact);
  EXPECT_FALSE(k.Partial("DL1AB", 0)[1].exact);
  // A screenful: the first ones of that order.
  EXPECT_EQ(Calls(k.Partial("DL1AB", 0, 4)), (std::vector<std::string>{"DL1AB", "DL1ABC", "DL1ABZ", "XDL1AB"}));
  EXPECT_EQ(Calls(k.Partial("1A", 0)),
            (std::vector<std::string>{"DK1AB", "DL1AB", "DL1ABC", "DL1ABZ", "DL1AC", "XDL1AB", "9A/DL1ABC",
                                      "OE/DL1AB", "HB9/DL1AB"}));
  // One character says too little; a text nothing holds finds nothing.
  EXPECT_TRUE(k.Partial("D", 0).empty());
  EXPECT_TRUE(k.Partial("QQ", 0).empty());
  EXPECT_TRUE(k.Partial("DL", 0, 0).empty());
}

TEST(KnownCallsTest, ManyCallsAtTheSamePlaceKeepTheirOrderWhenTheListIsCut) {
  KnownCalls k;
  // 200 calls hold "ZZ" one place in, 200 two places in, 50 start with it.
  for (int i = 0; i < 200; ++i) {
    k.AddScpCall("A" + std::string("ZZ") + std::to_string(1000 + i));
    k.AddScpCall("BB" + std::string("ZZ") + std::to_string(1000 + i));
  }
  for (int i = 0; i < 50; ++i) k.AddScpCall("ZZ" + std::to_string(500 + i));
  k.Finish();
  const auto m = Calls(k.Partial("ZZ", 0, 60));
  ASSERT_EQ(m.size(), 60u);
  EXPECT_EQ(m[0], "ZZ500");
  EXPECT_EQ(m[49], "ZZ549");
  EXPECT_EQ(m[50], "AZZ1000");
  EXPECT_EQ(m[59], "AZZ1009");
  const auto all = Calls(k.Partial("ZZ", 0, 1000));
  ASSERT_EQ(all.size(), 450u);
  EXPECT_EQ(all[249], "AZZ1199");
  EXPECT_EQ(all[250], "BBZZ1000");
}

TEST(KnownCallsTest, CallsLearntAfterTheBuildTakeTheirPlaceInTheOrder) {
  KnownCalls k;
  for (const char* c : {"DL1ABC", "OE/DL1AB"}) k.AddScpCall(c);
  k.Finish();
  const int day = *DayNumberFromDate(2008, 11, 15);
  k.NoteSaved(Contact("DL1ABA", 'k', day, 3600, "JO42AB", "F11"));
  k.NoteSaved(Contact("9A/DL1AB", 'k', day, 3700, "", ""));
  k.NoteSaved(Contact("DL1AB", 'l', day, 3800, "", ""));
  EXPECT_EQ(Calls(k.Partial("DL1AB", 'k')),
            (std::vector<std::string>{"DL1AB", "DL1ABA", "DL1ABC", "9A/DL1AB", "OE/DL1AB"}));
  ASSERT_NE(k.Find("dl1aba"), nullptr);
  EXPECT_EQ(k.Find("DL1ABA")->locator, "JO42AB");
}

TEST(KnownCallsTest, ACallWorkedOnTheBandIsADuplicateOnAnotherBandOnlyMarked) {
  KnownCalls k;
  const int day = *DayNumberFromDate(2008, 11, 15);
  k.AddLogged(Contact("DL2XYZ", 'k', day, 3600, "JO42AB", "F11"), true);
  k.AddLogged(Contact("DL2XYA", 'l', day, 3600, "JO42AB", ""), true);
  // Worked in an older log only: known, neither mark.
  k.AddLogged(Contact("DL2XYB", 'k', day - 400, 3600, "JO42AB", ""), false);
  k.Finish();
  const auto m = k.Partial("DL2XY", 'k');
  ASSERT_EQ(Calls(m), (std::vector<std::string>{"DL2XYA", "DL2XYB", "DL2XYZ"}));
  EXPECT_FALSE(m[0].duplicate);
  EXPECT_TRUE(m[0].worked_other);
  EXPECT_FALSE(m[1].duplicate);
  EXPECT_FALSE(m[1].worked_other);
  EXPECT_TRUE(m[2].duplicate);
  EXPECT_FALSE(m[2].worked_other);
  // On 70 cm it is the other way round.
  const auto on70 = k.Partial("DL2XY", 'l');
  EXPECT_TRUE(on70[0].duplicate);
  EXPECT_TRUE(on70[2].worked_other);
  // A contact saved on 70 cm makes DL2XYZ a duplicate there too.
  k.NoteSaved(Contact("DL2XYZ", 'l', day, 7200, "JO42AB", "F11"));
  EXPECT_TRUE(k.Partial("DL2XYZ", 'l')[0].duplicate);
}

TEST(KnownCallsTest, TheHistoryKeepsTheLastLocatorAndDokAndTheListsFillTheGaps) {
  KnownCalls k;
  const int day = *DayNumberFromDate(2008, 11, 15);
  // The call book knows a DOK, the list a name; the logs know better.
  k.AddFromCallList("DL2XYZ", "Z99", "Hein");
  k.AddFromCallBook("DL2XYZ", "F12", "Heinrich", "Bremen");
  k.AddLogged(Contact("DL2XYZ", 'k', day + 365, 3600, "JO42CD", "F11"), false);
  k.AddLogged(Contact("DL2XYZ", 'k', day, 7200, "JO42AB", "F10"), false);
  k.AddLogged(Contact("DL2XYZ/P", 'k', day + 366, 3600, "JO30AA", "F11"), false);
  k.AddFromCallList("DL3AAA", "B36", "Anna");
  k.Finish();
  const KnownCall* h = k.Find("DL2XYZ");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->locator, "JO42CD");
  EXPECT_EQ(h->locator_date, day + 365);
  EXPECT_EQ(h->dok, "F11");
  EXPECT_EQ(h->name, "Heinrich");
  EXPECT_EQ(h->qth, "Bremen");
  EXPECT_EQ(h->sources, kFromCallList | kFromCallBook | kFromLogs);
  // The portable call is a station of its own; an unknown portable call
  // gets what its home call is known for.
  EXPECT_EQ(k.Find("DL2XYZ/P")->locator, "JO30AA");
  EXPECT_EQ(k.Find("DL3AAA/P")->dok, "B36");
  EXPECT_EQ(k.Find("DL3AAA")->locator_date, -1);
  EXPECT_EQ(k.Find("DL9ZZZ"), nullptr);
}

TEST(KnownCallsTest, TheMasterListKeepsCallsAndLeavesCommentsOut) {
  EXPECT_EQ(ParseScp("# comment\r\nDL1ABC\r\n\r\n  oe3xyz \nnot a call\nDL1ABC/P\n#\nW1AW"),
            (std::vector<Text>{"DL1ABC", "OE3XYZ", "DL1ABC/P", "W1AW"}));
  EXPECT_TRUE(ParseScp("").empty());
}

// Two logs of the folder, a call book entry and a damaged or missing source.
class KnownCallsBuildTest : public EntrySessionTest {
 protected:
  void LogContact(int log_number, int year, const char* call, const char* locator, const char* dok) {
    clock_.Set(UtcInstant{*DayNumberFromDate(year, 11, 15), 14 * 3600 + 12 * 60});
    EntryContext c = Context();
    c.log.log_number = log_number;
    EntrySession& s = Open(std::move(c));
    Contact(call, "001", locator, dok);
    ASSERT_EQ(s.saves(), 1);
    std::vector<std::uint8_t> kk(qvkk::Spec().record_length), kz(qvkz::kLength);
    s.Close(kk, kz);
    session_.reset();
  }
  KnownCalls Build(std::vector<std::int32_t> logs, std::int32_t current = 0) {
    KnownCallSources sources;
    sources.logs = std::move(logs);
    sources.current_log = current;
    return BuildKnownCalls(*files_, sources);
  }
  void WriteFile(const std::string& path, const std::string& bytes) {
    ASSERT_EQ(store::ReplaceFileContents(fs_, path, bytes), 0);
  }
};

TEST_F(KnownCallsBuildTest, AHistoryFromTwoLogsKeepsTheLaterLocator) {
  LogContact(4, 2009, "DL2XYZ", "JO42CD", "F11");
  LogContact(3, 2008, "DL2XYZ", "JO42AB", "F10");
  WriteFile("MASTER.SCP", "DL2XYZ\nDL2XYA\n");
  const KnownCalls k = Build({4, 3}, 3);
  const KnownCall* h = k.Find("DL2XYZ");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->locator, "JO42CD");
  EXPECT_EQ(h->locator_date, *DayNumberFromDate(2009, 11, 15));
  EXPECT_EQ(h->dok, "F11");
  EXPECT_EQ(h->sources & (kFromScp | kFromLogs), kFromScp | kFromLogs);
  EXPECT_EQ(h->worked_bands, "k");  // the 2008 log is the current one
  EXPECT_TRUE(k.notes().empty()) << k.notes()[0];
  EXPECT_EQ(Calls(k.Partial("XY", 'k')), (std::vector<std::string>{"DL2XYA", "DL2XYZ"}));
}

TEST_F(KnownCallsBuildTest, ADamagedCallListOrAMissingMasterListLeaveWhatIsThere) {
  LogContact(3, 2008, "DL2XYZ", "JO42AB", "F10");
  // The call list's record file is something else altogether.
  WriteFile("QVCALL.DAT", std::string(500, '\x7F'));
  const KnownCalls k = Build({3}, 3);
  EXPECT_FALSE(fm_->stopped());
  ASSERT_EQ(k.notes().size(), 2u);
  EXPECT_EQ(k.notes()[0], "MASTER.SCP fehlt");
  EXPECT_EQ(k.notes()[1], W("QVCALL beschädigt"));
  ASSERT_NE(k.Find("DL2XYZ"), nullptr);
  EXPECT_EQ(Calls(k.Partial("DL2", 'k')), std::vector<std::string>{"DL2XYZ"});
  // A log that cannot be read is left out the same way.
  WriteFile(qso::LogFileName(5) + ".DAT", std::string(300, '\x01'));
  const KnownCalls k2 = Build({3, 5}, 3);
  EXPECT_FALSE(fm_->stopped());
  EXPECT_EQ(k2.notes().back(), "Log 5 nicht lesbar");
  EXPECT_NE(k2.Find("DL2XYZ"), nullptr);
}

TEST_F(KnownCallsBuildTest, BuildingWithTheLogOpenLeavesTheEntryAsTyped) {
  LogContact(3, 2008, "DL2XYZ", "JO42AB", "F10");
  EntrySession& s = Open(Context());
  s.Type(F::eCall, "DL7QQ");
  s.FormToRecord();
  const std::vector<std::uint8_t> before(s.record().begin(), s.record().end());
  KnownCalls k = Build({3}, 3);
  const std::vector<std::uint8_t> after(s.record().begin(), s.record().end());
  EXPECT_EQ(before, after);
  EXPECT_NE(k.Find("DL2XYZ"), nullptr);
}

TEST_F(KnownCallsBuildTest, TheOptionFillsAnEmptyLocatorAndDokFromTheHistory) {
  LogContact(3, 2008, "DL2XYZ", "JO42AB", "F10");
  KnownCalls k = Build({3}, 4);
  for (bool on : {false, true}) {
    EntryContext c = Context();
    c.log.log_number = 4;
    EntrySession& s = Open(std::move(c));
    s.SetKnownCalls(&k);
    s.SetHistoryPrefill(on);
    Fields({{F::eCall, "DL2XYZ"}});
    EXPECT_EQ(s.field(F::eRSTr3).text, on ? "JO42AB" : "") << on;
    EXPECT_EQ(s.FilledFromHistory(F::eRSTr3), on);
    EXPECT_EQ(s.FilledFromHistory(F::eRSTr4), on);
    if (on) {
      EXPECT_EQ(s.field(F::eRSTr4).text, "F10");
      // What the operator types is his: the mark goes, and a typed value is never replaced.
      s.Type(F::eRSTr3, "JO42AC");
      EXPECT_FALSE(s.FilledFromHistory(F::eRSTr3));
      Fields({{F::eRSTr2, "005"}});
      s.Focus(F::eCall);
      s.LeaveField(F::eCall);
      EXPECT_EQ(s.field(F::eRSTr3).text, "JO42AC");
      s.Escape();
      EXPECT_FALSE(s.FilledFromHistory(F::eRSTr4));
    }
    s.Escape();
    session_.reset();
  }
}

TEST_F(KnownCallsBuildTest, TheLiveDistanceShowsWhatTheSavedContactGets) {
  KnownCalls k = Build({});
  EntrySession& s = Open(Context());
  s.SetKnownCalls(&k);
  Fields({{F::eCall, "DL2XYZ"}, {F::eRSTr2, "001"}});
  for (const char* partial : {"J", "JO6", "JO62M", "JZ62", "JO62MMX"}) {
    s.Type(F::eRSTr3, partial);
    EXPECT_FALSE(s.LiveDistance().has_value()) << partial;
  }
  s.Type(F::eRSTr3, "JO60");
  ASSERT_TRUE(s.LiveDistance().has_value());
  const int km4 = s.LiveDistance()->km;
  s.Type(F::eRSTr3, "JO62MM");
  const auto live = s.LiveDistance();
  ASSERT_TRUE(live.has_value());
  EXPECT_NE(live->km, km4);
  // JO43KD (Oldenburg) to JO62MM (Berlin): about 285 km to the east.
  EXPECT_NEAR(live->km, 285, 10);
  EXPECT_GT(live->bearing, 90);
  EXPECT_LT(live->bearing, 115);
  s.Enter();
  Fields({{F::eRSTr4, ""}});
  ASSERT_EQ(s.saves(), 1);
  EXPECT_EQ(GetI32(s.last_saved(), qso::kQrbKm.offset), live->km);
  EXPECT_EQ(GetU16(s.last_saved(), qso::kPoints.offset), live->points);
  EXPECT_GT(live->points, 0);
  // The saved contact is known now, on its band a duplicate.
  const auto m = s.PartnerMatches();
  EXPECT_TRUE(m.empty());  // the entry is empty again
  s.Type(F::eCall, "DL2XY");
  const auto again = s.PartnerMatches();
  ASSERT_EQ(again.size(), 1u);
  EXPECT_TRUE(again[0].duplicate);
  EXPECT_EQ(s.PartnerHistory(), nullptr);  // a part of a call has no history
  s.Type(F::eCall, "DL2XYZ/P");
  ASSERT_NE(s.PartnerHistory(), nullptr);
  EXPECT_EQ(s.PartnerHistory()->locator, "JO62MM");
}

TEST_F(KnownCallsBuildTest, ADeletedContactIsNoDuplicateOnceTheLogIsReadAgain) {
  LogContact(3, 2008, "DL2XYZ", "JO42AB", "F10");
  LogContact(3, 2008, "DL3AAA", "JO42AC", "F11");
  KnownCallSources sources;
  sources.logs = {3};
  sources.current_log = 3;
  KnownCalls k = BuildKnownCalls(*files_, sources);
  ASSERT_TRUE(k.Partial("DL2XYZ", 'k')[0].duplicate);
  EntrySession& s = Open(Context());
  std::vector<std::uint8_t> kk(qvkk::Spec().record_length), kz(qvkz::kLength);
  port_.SetDefaultAnswer(true);
  ASSERT_TRUE(s.DeleteQso(s.EntryOfSerial(1), kk, kz));
  ASSERT_TRUE(RereadCurrentLog(k, *files_, sources));
  EXPECT_FALSE(k.Partial("DL2XYZ", 'k')[0].duplicate);
  EXPECT_TRUE(k.Partial("DL3AAA", 'k')[0].duplicate);
  // What the station gave stays in its history.
  EXPECT_EQ(k.Find("DL2XYZ")->locator, "JO42AB");
}

TEST(ProgramSettingsTest, ValuesSurviveARoundTripAndADamagedFileGivesTheDefaults) {
  store::MemoryFileSystem fs;
  ProgramSettings a(fs);
  a.Load();
  EXPECT_FALSE(a.GetBool(kHistoryPrefillKey, false));
  EXPECT_TRUE(a.GetBool(kHistoryPrefillKey, true));
  a.SetBool(kHistoryPrefillKey, true);
  a.Set("rig.host", "localhost:4532\nevil=1");
  ASSERT_EQ(a.Save(), 0);
  // A key of a newer version, written by hand, is kept when this one writes.
  std::string text = store::ReadWholeFile(fs, ProgramSettings::kFileName);
  ASSERT_EQ(store::ReplaceFileContents(fs, ProgramSettings::kFileName, text + "newer.key = 7 \r\n[section]\n=x\n"), 0);
  ProgramSettings b(fs);
  b.Load();
  EXPECT_TRUE(b.GetBool(kHistoryPrefillKey, false));
  EXPECT_EQ(b.Get("rig.host"), "localhost:4532 evil=1");
  EXPECT_EQ(b.Get("evil", "none"), "none");
  EXPECT_EQ(b.Get("newer.key"), "7");
  b.SetBool(kHistoryPrefillKey, false);
  ASSERT_EQ(b.Save(), 0);
  ProgramSettings c(fs);
  c.Load();
  EXPECT_EQ(c.Get("newer.key"), "7");
  EXPECT_FALSE(c.GetBool(kHistoryPrefillKey, true));
  // Two windows with the file open: each one's change survives the other's save.
  ProgramSettings one(fs), two(fs);
  one.Load();
  two.Load();
  one.Set("rig.model", "2");
  ASSERT_EQ(one.Save(), 0);
  two.SetBool(kHistoryPrefillKey, true);
  ASSERT_EQ(two.Save(), 0);
  ProgramSettings three(fs);
  three.Load();
  EXPECT_EQ(three.Get("rig.model"), "2");
  EXPECT_TRUE(three.GetBool(kHistoryPrefillKey, false));
  EXPECT_EQ(two.Get("rig.model"), "2");
  // Binary rubbish: every value keeps its default.
  ASSERT_EQ(store::ReplaceFileContents(fs, ProgramSettings::kFileName, std::string("\0\x01\xFF\n\x80", 5)), 0);
  c.Load();
  EXPECT_TRUE(c.GetBool(kHistoryPrefillKey, true));
}

}  // namespace
}  // namespace vek
