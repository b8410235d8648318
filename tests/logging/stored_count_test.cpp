// A session that adds contacts to a log counted before walks only the new
// contacts when it closes. What it stores must be what counting the whole
// log stores, and anything else that changed the log since must make it
// count the whole log.
#include "logging/stored_count.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "entry_session_fixture.h"
#include "logging/contest_log.h"
#include "logging/contest_totals.h"
#include "whole_log_contest.h"

namespace vek {
namespace {

class StoredCountTest : public EntrySessionTest {
 protected:
  using Summary = std::pair<std::vector<std::uint8_t>, std::vector<std::uint8_t>>;

  // The log's first contacts, logged and closed in a window.
  void StartLog() {
    EntrySession& w = Open(Context());
    Contact("DL1AAA", "001", "JO42AB", "I23");
    Contact("DL1BBB", "002", "JO52AB", "DVI");
    Contact("PA1CCC", "003", "JO22AB", "");
    CloseInto(w);
  }

  Summary CloseInto(EntrySession& s) {
    Summary out{std::vector<std::uint8_t>(qvkk::Spec().record_length, 0),
                std::vector<std::uint8_t>(qvkz::kLength, 0)};
    s.Close(out.first, out.second);
    walked_ = s.totals().entries_walked();
    return out;
  }

  // A session of the companion's kind: one contact, then closed.
  Summary AddOne(const char* call, const char* serial, const char* locator, const char* dok,
                 EntryContext c = {}) {
    session_ = std::make_unique<EntrySession>(c.files ? std::move(c) : Context());
    EXPECT_TRUE(session_->Open(EntrySession::OpenFor::kOneContact));
    session_->ClockTick();
    Contact(call, serial, locator, dok);
    return CloseInto(*session_);
  }

  // What counting the whole log stores.
  Summary Counted(EntryContext c = {}) {
    fs_.Remove(CountPath());
    session_ = std::make_unique<EntrySession>(c.files ? std::move(c) : Context());
    EXPECT_TRUE(session_->Open(EntrySession::OpenFor::kOneContact));
    Summary s = CloseInto(*session_);
    return s;
  }

  std::string CountPath() { return qso::LogFileName(3) + ".CNT"; }

  std::int64_t walked_ = -1;
};

TEST_F(StoredCountTest, ContactsAddedOneByOneAreCountedAloneAndStoreTheWholeCount) {
  StartLog();
  const char* calls[] = {"DL1DDD", "DL1EEE", "OE1FFF", "DL3AAA", "PA1GGG", "DL2HHH"};
  const char* locators[] = {"JO42XX", "JO62AB", "JN78AB", "JO42AB", "JO22CD", "JO30AA"};
  const char* doks[] = {"I23", "I24", "", "I23", "", "Z12"};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(calls[i]);
    const Summary added = AddOne(calls[i], "010", locators[i], doks[i]);
    EXPECT_EQ(walked_, 1);
    EXPECT_EQ(added, Counted());
    EXPECT_EQ(walked_, 4 + i);
  }
}

// Whatever else changed the log or what its count depends on since the
// count was stored, the next session counts the whole log.
TEST_F(StoredCountTest, AnythingButAddsSinceTheStoredCountMakesTheWholeLogCounted) {
  StartLog();
  AddOne("DL1DDD", "004", "JO42XX", "I23");
  EXPECT_EQ(walked_, 1);  // the window's close stored its count

  // A record changed by a program that does not count its changes: the
  // contact's field JO42 becomes JO99.
  std::vector<std::uint8_t>& dat = *fs_.Data(qso::LogFileName(3) + ".DAT");
  const std::string field = "JO42AB";
  const auto at = std::search(dat.begin(), dat.end(), field.begin(), field.end());
  ASSERT_NE(at, dat.end());
  at[2] = '9', at[3] = '9';
  Summary added = AddOne("DL1EEE", "005", "JO62AB", "I24");
  EXPECT_EQ(walked_, 5);
  EXPECT_EQ(added, Counted());

  // The station moved: every contact's points change.
  const auto moved = [this] {
    EntryContext c = Context();
    c.station.own_locator = "JN58AA";
    c.definition_inputs->OwnLocator = "JN58AA";
    c.definition = BuildContestDefinition(*c.definition_inputs);
    return c;
  };
  AddOne("DL1FFF", "006", "JO62AB", "I24");
  EXPECT_EQ(walked_, 1);
  added = AddOne("DL1GGG", "007", "JO30AB", "I25", moved());
  EXPECT_EQ(walked_, 7);
  EXPECT_EQ(added, Counted(moved()));

  // A contact deleted in the window: the window's close counts the whole
  // log and stores a count with fewer values over the longer one before.
  std::vector<std::uint8_t> kk(qvkk::Spec().record_length, 0), kz(qvkz::kLength, 0);
  const std::uint64_t longer = fs_.Data(CountPath())->size();
  EntrySession& w = Open(Context());
  port_.QueueAnswer(true);  // "delete?"
  ASSERT_TRUE(w.DeleteQso(3, kk, kz));
  CloseInto(w);
  EXPECT_EQ(walked_, 6);
  AddOne("DL1HHH", "008", "JO62AB", "I24");
  EXPECT_EQ(walked_, 1);
  EXPECT_EQ(fs_.Data(CountPath())->size(), longer);  // written over in place

  // A stored count torn or damaged anywhere is not read (a file of its own
  // length: bytes after a shorter count written over a longer one do not count).
  fs_.Remove(CountPath());
  AddOne("DL1III", "009", "JO62AB", "I24");
  EXPECT_EQ(walked_, 8);
  const std::vector<std::uint8_t> stored = *fs_.Data(CountPath());
  for (std::size_t i = 0; i < stored.size(); i += 13) {
    *fs_.Data(CountPath()) = stored;
    (*fs_.Data(CountPath()))[i] ^= 0x40;
    session_ = std::make_unique<EntrySession>(Context());
    ASSERT_TRUE(session_->Open(EntrySession::OpenFor::kOneContact));
    const Summary closed = CloseInto(*session_);
    EXPECT_EQ(walked_, 8) << i;
    EXPECT_EQ(closed, Counted()) << i;
  }
  for (std::size_t cut = 0; cut < stored.size(); cut += 5) {
    *fs_.Data(CountPath()) = stored;
    fs_.Data(CountPath())->resize(cut);
    session_ = std::make_unique<EntrySession>(Context());
    ASSERT_TRUE(session_->Open(EntrySession::OpenFor::kOneContact));
    CloseInto(*session_);
    EXPECT_EQ(walked_, 8) << cut;
  }
  AddOne("DL1JJJ", "010", "JO62AB", "I24");
  EXPECT_EQ(walked_, 1);
}

// The count carried on over the contacts after its last entry must be the
// count of the whole log, for every contest's kinds of multipliers, scopes
// and points.
class CountOnTest : public ::testing::Test {
 protected:
  void SetUp() override { StartMemoryStore(fs_, fm_, files_); }

  // Repeated calls, fields, DOKs, countries, districts and member numbers on
  // three bands and three modes, with band-change entries among them.
  void Add(store::FileBlock* fb, int count) {
    for (int i = 0; i < count; ++i) {
      fm_->ClearRecord(fb);
      Bytes r = fm_->RecordBuffer(fb);
      const bool qsy = rng_() % 40 == 0;
      PutText(r, qso::kCall,
              qsy ? "QSY" : "D" + std::string(1, "FLKJ"[rng_() % 4]) + std::to_string(rng_() % 60) + "X");
      PutI32(r, qso::kDate.offset, 149338);
      PutI32(r, qso::kTime.offset, static_cast<int>(rng_() % 3000) * 30);
      PutU8(r, qso::kBand.offset, static_cast<std::uint8_t>("klm"[rng_() % 3]));
      if (qsy) PutU8(r, qso::kQsyBand.offset, static_cast<std::uint8_t>("klm"[rng_() % 3]));
      PutText(r, qso::kMode, std::array<const char*, 3>{"SSB", "CW", "FM"}[rng_() % 3]);
      PutText(r, qso::kLocator, "JO" + std::to_string(20 + rng_() % 15) + "AB");
      StoreRcvdDok(r, std::array<const char*, 6>{"I38", "I23", "Z02", "A12", "HT09", ""}[rng_() % 6]);
      StoreRcvdExchange(r, "59 " + std::to_string(rng_() % 100));
      PutText(r, qso::kCountryPrefix, std::array<const char*, 4>{"DL", "PA", "ON", "K"}[rng_() % 4]);
      PutText(r, qso::kContinent, rng_() % 5 ? "EU" : "NA");
      PutText(r, qso::kDistrictCode, std::array<const char*, 4>{"", "NY", "12", "A"}[rng_() % 4]);
      PutText(r, qso::kSecondCall, std::array<const char*, 4>{"", "0", "1234", "77"}[rng_() % 4]);
      PutI32(r, qso::kQrbKm.offset, static_cast<std::int32_t>(rng_() % 900));
      ASSERT_EQ(fm_->AddRecord(fb), 0);
    }
  }

  using Summary = std::pair<std::vector<std::uint8_t>, std::vector<std::uint8_t>>;
  Summary Stored(ContestTotals& t, bool extra) {
    Summary s{std::vector<std::uint8_t>(qvkk::Spec().record_length, 0),
              std::vector<std::uint8_t>(qvkz::kLength, 0)};
    t.StoreLogSummary(s.first, s.second, extra, port_);
    return s;
  }

  std::mt19937 rng_{20081115};
  store::MemoryFileSystem fs_;
  std::unique_ptr<store::FileManager> fm_;
  std::unique_ptr<SuiteFiles> files_;
  ScriptedUserPort port_;
};

TEST_F(CountOnTest, ACountCarriedOnOverTheNewContactsIsTheCountOfTheWholeLog) {
  int codes = 0, with_multipliers = 0;
  std::int32_t number = 10;
  for (char code : AllContestCodes()) {
    SCOPED_TRACE(std::string("contest code ") + code);
    const ContestDefinition d = WholeLogDefinition(code);
    ContestLog log(*files_, ++number);
    ASSERT_TRUE(log.OpenContestLog());
    store::FileBlock* fb = log.log();
    fm_->SetFlushAfterWrite(fb, false);
    Add(fb, 300);
    ContestTotals before(*fm_, fb, WholeLogScoring(d, code));
    before.RecalculateTotals(true);
    const std::string image = before.CountImage();
    const auto since = before.CountedAt();
    ASSERT_TRUE(since.has_value());
    Add(fb, 150);

    ContestTotals carried(*fm_, fb, WholeLogScoring(d, code)), whole(*fm_, fb, WholeLogScoring(d, code));
    ASSERT_TRUE(carried.RecountAfter(image, *since));
    EXPECT_EQ(carried.entries_walked(), 150);
    whole.RecalculateTotals(true);
    EXPECT_EQ(whole.entries_walked(), 450);
    EXPECT_EQ(carried.CountImage(), whole.CountImage());
    for (char band : std::string("klm")) EXPECT_EQ(carried.Band(band), whole.Band(band)) << band;
    EXPECT_EQ(carried.TotalMultipliers(), whole.TotalMultipliers());
    EXPECT_EQ(carried.Score(), whole.Score());
    for (bool extra : {false, true}) EXPECT_EQ(Stored(carried, extra), Stored(whole, extra));
    ++codes;
    with_multipliers += whole.TotalMultipliers() > 0;
  }
  EXPECT_EQ(codes, 44);
  // Most contests count multipliers from these contacts: the comparison is not of zeros.
  EXPECT_GE(with_multipliers, 25);
}

// Only adds of this process after the count's last entry may be carried on;
// anything else is counted whole.
TEST_F(CountOnTest, ACountIsNotCarriedOnOverRewritesDeletionsOtherProcessesOrADamagedImage) {
  const ContestDefinition d = WholeLogDefinition('g');
  ContestLog log(*files_, 5);
  ASSERT_TRUE(log.OpenContestLog());
  store::FileBlock* fb = log.log();
  Add(fb, 100);
  const auto counted = [&] {
    ContestTotals t(*fm_, fb, WholeLogScoring(d, 'g'));
    t.RecalculateTotals(true);
    return std::make_pair(t.CountImage(), *t.CountedAt());
  };
  const auto carried_on = [&](const std::pair<std::string, store::FileManager::ChangeTally>& c) {
    ContestTotals t(*fm_, fb, WholeLogScoring(d, 'g'));
    return t.RecountAfter(c.first, c.second);
  };

  auto c = counted();
  Add(fb, 2);
  EXPECT_TRUE(carried_on(c));

  c = counted();
  ASSERT_EQ(fm_->FindKey(fb, 4, store::LongToKey(10)), 0);
  PutText(fm_->RecordBuffer(fb), qso::kLocator, "JN11AA");
  ASSERT_EQ(fm_->PutRecord(fb), 0);
  EXPECT_FALSE(carried_on(c));

  c = counted();
  ASSERT_EQ(fm_->FindKey(fb, 4, store::LongToKey(11)), 0);
  ASSERT_EQ(fm_->DeleteRecord(fb), 0);
  Add(fb, 1);
  EXPECT_FALSE(carried_on(c));

  // Another program on the same files adds a contact (after the count's
  // last entry too, but not this process's), or rewrites one while this
  // process adds one.
  for (const bool rewrite : {false, true}) {
    c = counted();
    {
      std::unique_ptr<store::FileManager> other_fm;
      std::unique_ptr<SuiteFiles> other_files;
      StartMemoryStore(fs_, other_fm, other_files);
      ContestLog other(*other_files, 5);
      ASSERT_TRUE(other.OpenContestLog());
      store::FileBlock* ob = other.log();
      if (rewrite) {
        ASSERT_EQ(other_fm->FindKey(ob, 4, store::LongToKey(12)), 0);
        PutText(other_fm->RecordBuffer(ob), qso::kLocator, "JN11AA");
        ASSERT_EQ(other_fm->PutRecord(ob), 0);
      } else {
        other_fm->ClearRecord(ob);
        PutText(other_fm->RecordBuffer(ob), qso::kCall, "OZ1ZZZ");
        ASSERT_EQ(other_fm->AddRecord(ob), 0);
      }
      other.CloseContestLog();
      other_fm->ExitFileManager();
    }
    if (rewrite) Add(fb, 1);
    EXPECT_FALSE(carried_on(c)) << rewrite;
  }

  c = counted();
  Add(fb, 1);
  // Whatever is cut off or changed in the image, it is refused or read whole, never read past.
  for (std::size_t cut = 0; cut < c.first.size(); cut += 7)
    EXPECT_FALSE(carried_on({c.first.substr(0, cut), c.second})) << cut;
  std::string longer = c.first + "x";
  EXPECT_FALSE(carried_on({longer, c.second}));
  std::string wrong = c.first;
  wrong[0] = 'X';
  EXPECT_FALSE(carried_on({wrong, c.second}));
  EXPECT_TRUE(carried_on(c));
}

}  // namespace
}  // namespace vek
