// The list control's model over a real fileblock: pages, ranges, quick
// search, sort orders, deletion and the scroll bar, and what paging costs.
#include "store/record_browser.h"

#include <cstdio>
#include <set>

#include "base/cp1252.h"
#include "base/scripted_user_port.h"
#include "store_fixture.h"

namespace vek::store::testing {
namespace {

std::string NumberedCall(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "C%05d", i);
  return buf;
}

class RecordBrowserTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    fb_ = Open("LIST", false);
    browser_ = std::make_unique<RecordBrowser>(*fm_, port_);
    browser_->events.OnBuildRow = [](ConstBytes r) { return GetText(r, 9, 16); };
  }

  void AddNumbered(int n, char band = 'k') {
    for (int i = 0; i < n; ++i) ASSERT_EQ(Add(fb_, NumberedCall(i), band), 0);
  }

  std::vector<Text> Shown() const {
    std::vector<Text> out;
    for (const auto& r : browser_->rows()) out.push_back(r.text);
    return out;
  }
  Text CurrentText() const { return browser_->rows()[static_cast<std::size_t>(browser_->current_row())].text; }

  FileBlock* fb_ = nullptr;
  ScriptedUserPort port_;
  std::unique_ptr<RecordBrowser> browser_;
};

TEST_F(RecordBrowserTest, EmptyRangeShowsHeaderAndNoRowsAndRefusesToOpenOrDelete) {
  AddNumbered(3, 'k');
  browser_->events.OnSetHeaderFooter = [](Text& h, Text& f) { h = "Call;Band", f = "Call"; };
  ASSERT_TRUE(browser_->Build(fb_, 2, "l", "l"));
  EXPECT_TRUE(browser_->rows().empty());
  EXPECT_EQ(browser_->header(), "Call;Band");
  EXPECT_EQ(browser_->ScrollPosition(), 0);
  bool opened = false;
  browser_->events.OnBrowDoppelKlick = [&] { opened = true; };
  browser_->DoubleClick(0);
  browser_->HandleKey(BrowserKey::kDelete);
  EXPECT_FALSE(opened);
  EXPECT_EQ(port_.Messages(), (std::vector<Text>{"Datensatz konnte nicht gelesen werden",
                                                  "Datensatz konnte nicht gelesen werden"}));
  EXPECT_TRUE(port_.Questions().empty());
}

TEST_F(RecordBrowserTest, SortListStateFollowsTheNumberOfOrders) {
  AddNumbered(2);
  ASSERT_TRUE(browser_->Build(fb_, 3, "", ""));
  EXPECT_FALSE(browser_->SortlistEnabled());
  EXPECT_EQ(browser_->SortListText(), "Sortierung");
  browser_->events.OnInitSortList = [] { return std::vector<Text>{"Call"}; };
  ASSERT_TRUE(browser_->Build(fb_, 3, "", ""));
  EXPECT_FALSE(browser_->SortlistEnabled());
  EXPECT_EQ(browser_->SortListText(), "Call");
  browser_->events.OnInitSortList = [] { return std::vector<Text>{"Call", "Nr"}; };
  ASSERT_TRUE(browser_->Build(fb_, 3, "", ""));
  EXPECT_TRUE(browser_->SortlistEnabled());
  EXPECT_EQ(browser_->SortListText(), "Sortierung");
  EXPECT_EQ(browser_->SortlistItemIndex(), -1);
}

TEST_F(RecordBrowserTest, ArrowsAndPagesMoveThroughTheIndexAndLeaveTheRecordInTheBuffer) {
  AddNumbered(50);
  browser_->SetVisibleRows(10);
  ASSERT_TRUE(browser_->Build(fb_, 3, "", ""));
  EXPECT_EQ(Shown().front(), "C00000");
  EXPECT_EQ(Shown().size(), 10u);
  browser_->Up();  // at the first record nothing moves
  EXPECT_EQ(CurrentText(), "C00000");
  for (int i = 0; i < 12; ++i) browser_->Down();
  EXPECT_EQ(CurrentText(), "C00012");
  EXPECT_EQ(Shown().front(), "C00003");
  EXPECT_EQ(browser_->current_row(), 9);
  EXPECT_EQ(Call(fb_), "C00012");
  browser_->PageDown();
  EXPECT_EQ(CurrentText(), "C00022");
  browser_->PageUp();
  EXPECT_EQ(CurrentText(), "C00012");
  browser_->Last();
  EXPECT_EQ(Shown().back(), "C00049");
  EXPECT_EQ(Shown().size(), 10u);
  EXPECT_EQ(CurrentText(), "C00049");
  browser_->PageDown();  // the end: stays on the last record
  EXPECT_EQ(CurrentText(), "C00049");
  browser_->Down();
  EXPECT_EQ(Call(fb_), "C00049");
  browser_->PageUp();
  browser_->PageUp();
  browser_->PageUp();
  browser_->PageUp();
  browser_->PageUp();  // only 40 records above: the first page, first row
  EXPECT_EQ(CurrentText(), "C00000");
  browser_->HandleKey(BrowserKey::kLast);
  browser_->HandleKey(BrowserKey::kFirst);
  EXPECT_EQ(CurrentText(), "C00000");
  EXPECT_EQ(Call(fb_), "C00000");
}

TEST_F(RecordBrowserTest, EqualKeysAreEachShownOnceWhileWalkingBothWays) {
  for (int i = 0; i < 25; ++i) ASSERT_EQ(Add(fb_, NumberedCall(i), 'k', 7), 0);
  browser_->SetVisibleRows(7);
  ASSERT_TRUE(browser_->Build(fb_, 4, "", ""));
  std::set<std::int32_t> seen;
  for (int i = 0; i < 25; ++i) {
    seen.insert(browser_->rows()[static_cast<std::size_t>(browser_->current_row())].record);
    browser_->Down();
  }
  EXPECT_EQ(seen.size(), 25u);
  std::set<std::int32_t> back;
  for (int i = 0; i < 25; ++i) {
    back.insert(Serial(fb_));
    browser_->Up();
  }
  EXPECT_EQ(back.size(), 25u);
}

TEST_F(RecordBrowserTest, TheRangeLimitsByPrefixOfTheHighKey) {
  AddNumbered(5, 'k');
  for (int i = 0; i < 4; ++i) ASSERT_EQ(Add(fb_, "L" + std::to_string(i), 'l'), 0);
  AddNumbered(0);
  ASSERT_EQ(Add(fb_, "M0", 'm'), 0);
  ASSERT_TRUE(browser_->Build(fb_, 2, "l", "l"));
  EXPECT_EQ(Shown(), (std::vector<Text>{"L0", "L1", "L2", "L3"}));
  browser_->Last();
  EXPECT_EQ(CurrentText(), "L3");
  browser_->Down();
  EXPECT_EQ(CurrentText(), "L3");
  browser_->First();
  browser_->Up();
  EXPECT_EQ(CurrentText(), "L0");
}

TEST_F(RecordBrowserTest, QuickSearchFindsTheFirstBeginningOrTheLastKeyBeforeIt) {
  for (const char* c : {"DK1ABC", "DL1ABC", "DL2XYZ", "OE1ABC", "PA0AAA"}) ASSERT_EQ(Add(fb_, c), 0);
  ASSERT_TRUE(browser_->Build(fb_, 3, "", ""));
  browser_->QuickSearch("dl");
  EXPECT_EQ(CurrentText(), "DL1ABC");
  EXPECT_EQ(Call(fb_), "DL1ABC");
  browser_->QuickSearch("dm");
  EXPECT_EQ(CurrentText(), "DL2XYZ");
  browser_->QuickSearch("zz");
  EXPECT_EQ(CurrentText(), "PA0AAA");
  browser_->QuickSearch("");  // nothing to search for: the view stays
  EXPECT_EQ(CurrentText(), "PA0AAA");
  browser_->QuickSearch("a");  // before every key: the first
  EXPECT_EQ(CurrentText(), "DK1ABC");
  // The owner's key text is what is searched.
  browser_->events.OnSuchFeld2KeyStr = [](std::string_view t) { return "O" + AsciiUpper(t); };
  browser_->QuickSearch("e1");
  EXPECT_EQ(CurrentText(), "OE1ABC");
}

TEST_F(RecordBrowserTest, ChoosingASortOrderKeepsTheCurrentRecord) {
  for (const char* c : {"ZZ1ZZ", "AA1AA", "MM1MM"}) ASSERT_EQ(Add(fb_, c), 0);
  int header_calls = 0;
  browser_->events.OnSetHeaderFooter = [&](Text& h, Text&) { h = "h" + std::to_string(++header_calls); };
  browser_->events.OnInitSortList = [] { return std::vector<Text>{"Nr", "Call"}; };
  browser_->events.OnSortList2Key = [](int i) { return BrowserOrder{i == 0 ? 1 : 3, "", ""}; };
  ASSERT_TRUE(browser_->Build(fb_, 1, "", ""));
  EXPECT_EQ(Shown(), (std::vector<Text>{"ZZ1ZZ", "AA1AA", "MM1MM"}));
  browser_->Down();
  browser_->Down();  // MM1MM
  const int clears = browser_->search_clears();
  browser_->ChooseSortOrder(1);
  EXPECT_EQ(browser_->key(), 3);
  EXPECT_EQ(CurrentText(), "MM1MM");
  EXPECT_EQ(browser_->header(), "h2");
  EXPECT_GT(browser_->search_clears(), clears);
  browser_->ChooseSortOrder(1);  // the same index: nothing to do
  EXPECT_EQ(browser_->header(), "h2");
}

TEST_F(RecordBrowserTest, DeletionAsksWithTheOwnersNameAndShowsTheNeighbours) {
  AddNumbered(5);
  browser_->events.OnLoesch_Feld = [this] { return Call(fb_); };
  ASSERT_TRUE(browser_->Build(fb_, 3, "", ""));
  browser_->Down();
  browser_->Down();
  port_.QueueAnswer(false);
  browser_->Delete();
  ASSERT_EQ(port_.events().back().text, W(" Löschen \"C00002\""));
  EXPECT_EQ(port_.events().back().caption, "Sicherheitsabfrage");
  EXPECT_EQ(fm_->RecordCount(fb_), 5);
  port_.QueueAnswer(true);
  browser_->HandleKey(BrowserKey::kDelete, true);
  EXPECT_EQ(fm_->RecordCount(fb_), 4);
  EXPECT_EQ(Shown(), (std::vector<Text>{"C00000", "C00001", "C00003", "C00004"}));
  EXPECT_EQ(CurrentText(), "C00003");
  // The owner may refuse before the question.
  browser_->events.OnBefore_Loesch = [] { return false; };
  const auto asked = port_.Questions().size();
  browser_->HandleKey(BrowserKey::kDelete, true);
  EXPECT_EQ(port_.Questions().size(), asked);
  // Outside the grid the key belongs to the field that has the focus.
  EXPECT_FALSE(browser_->HandleKey(BrowserKey::kDelete, false));
}

TEST_F(RecordBrowserTest, KeysTheBrowserDoesNotHandleGoToTheOwner) {
  AddNumbered(3);
  std::vector<int> passed;
  browser_->events.OnProcessPostCommand = [&](BrowserKey, int code) { passed.push_back(code); return code == 27; };
  int enters = 0;
  browser_->events.OnBrowEnter = [&] { ++enters; };
  ASSERT_TRUE(browser_->Build(fb_, 3, "", ""));
  EXPECT_TRUE(browser_->HandleKey(BrowserKey::kEscape, true, 27));
  EXPECT_FALSE(browser_->HandleKey(BrowserKey::kOther, true, 65));
  EXPECT_EQ(passed, (std::vector<int>{27, 65}));
  browser_->SearchFieldEnter();  // without its own event the search field's Enter is the grid's
  browser_->HandleKey(BrowserKey::kEnter);
  EXPECT_EQ(enters, 2);
  browser_->SetColumnCount(3);
  browser_->HandleKey(BrowserKey::kLastColumn);
  EXPECT_EQ(browser_->first_column(), 2);
  browser_->HandleKey(BrowserKey::kColumnRight);
  EXPECT_EQ(browser_->first_column(), 2);
  browser_->HandleKey(BrowserKey::kColumnLeft);
  EXPECT_EQ(browser_->first_column(), 1);
}

TEST_F(RecordBrowserTest, BuildingFailuresAreReportedAndLeaveTheListEmpty) {
  AddNumbered(3);
  int taken_down = 0;
  browser_->events.OnEntf_brDats = [&] { ++taken_down; };
  browser_->events.OnInit_brDats = [] { return false; };
  EXPECT_FALSE(browser_->Build(fb_, 3, "", ""));
  browser_->events.OnInit_brDats = nullptr;
  EXPECT_FALSE(browser_->Build(nullptr, 3, "", ""));
  EXPECT_EQ(port_.Messages(), (std::vector<Text>{W("Fehler beim Öffnen der Datenbanken!"), W("ungültiger Treiber")}));
  EXPECT_EQ(taken_down, 2);
  EXPECT_TRUE(browser_->rows().empty());
}

TEST_F(RecordBrowserTest, ScrollBarCoversSmallFilesExactlyAndBigOnesIn247Steps) {
  AddNumbered(10);
  ASSERT_TRUE(browser_->Build(fb_, 3, "", ""));
  EXPECT_EQ(browser_->ScrollMaximum(), 9);
  EXPECT_EQ(browser_->ScrollPosition(), 0);
  browser_->Last();
  EXPECT_EQ(browser_->ScrollPosition(), 9);
}

class BigFileBrowserTest : public RecordBrowserTest {
 protected:
  void AddMany(int n) {
    for (int i = 0; i < n; ++i) ASSERT_EQ(Add(fb_, NumberedCall(i)), 0);
    ASSERT_EQ(fm_->Flush(fb_), 0);
  }
};

TEST_F(BigFileBrowserTest, FiveThousandRecordsGiveABarOf247AndDraggingLandsNearThePlace) {
  AddMany(5000);
  ASSERT_TRUE(browser_->Build(fb_, 3, "", ""));
  EXPECT_EQ(browser_->ScrollMaximum(), 247);
  EXPECT_EQ(browser_->ScrollPosition(), 0);
  browser_->DragTo(124);
  const int middle = std::stoi(CurrentText().substr(1));
  EXPECT_NEAR(middle, 2500, 250);
  EXPECT_GT(browser_->ScrollPosition(), 0);
  EXPECT_LT(browser_->ScrollPosition(), 247);
  browser_->DragTo(247);
  EXPECT_EQ(CurrentText(), "C04999");
  EXPECT_EQ(browser_->ScrollPosition(), 247);
  browser_->DragTo(0);
  EXPECT_EQ(CurrentText(), "C00000");
  // Moving forward never moves the bar backward.
  int last = 0;
  for (int i = 0; i < 60; ++i) {
    browser_->PageDown();
    EXPECT_GE(browser_->ScrollPosition(), last);
    last = browser_->ScrollPosition();
  }
}

TEST_F(BigFileBrowserTest, AHundredThousandRecordsOpenPageAndSearchWithoutReadingTheFile) {
  AddMany(100000);
  fm_->CloseFileBlock(fb_);
  fb_ = Open("LIST", false);
  const std::int64_t reads_before = fs_.reads();
  ASSERT_TRUE(browser_->Build(fb_, 3, "", ""));
  browser_->PageDown();
  browser_->Last();
  EXPECT_EQ(CurrentText(), "C99999");
  browser_->QuickSearch("c5");
  EXPECT_EQ(CurrentText(), "C50000");
  browser_->PageUp();
  EXPECT_EQ(CurrentText(), "C49980");
  // A few pages of rows and the index pages above them, not 100,000 records.
  EXPECT_LT(browser_->rows_read(), 200);
  EXPECT_LT(fs_.reads() - reads_before, 1000);
}

}  // namespace
}  // namespace vek::store::testing

namespace vek::store::testing {
namespace {

// A list that shares its fileblock with an entry in progress gives the
// buffer back after every operation, nested ones included.
TEST_F(RecordBrowserTest, AKeptBufferSurvivesEveryOperation) {
  AddNumbered(40);
  browser_->SetKeepBuffer(true);
  Fill(fb_, "ENTRY");
  ASSERT_TRUE(browser_->Build(fb_, 3, "", ""));
  for (int round = 0; round < 3; ++round) {
    browser_->SetVisibleRows(5 + round);  // a resize repaints inside
    browser_->Down();
    browser_->PageDown();
    browser_->Last();
    browser_->QuickSearch("c0001");
    browser_->DragTo(1);
    EXPECT_EQ(Call(fb_), "ENTRY") << round;
  }
  EXPECT_EQ(CurrentText(), "C00010");
  // Reading the current record is the one thing that fills the buffer.
  ASSERT_TRUE(browser_->ReadCurrentRecord());
  EXPECT_EQ(Call(fb_), "C00010");
}

}  // namespace
}  // namespace vek::store::testing
