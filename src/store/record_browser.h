// The list control's behaviour without its window: one index of one
// fileblock between a low and a high key, seen through a page of row slots
// that is read with NextKey and PrevKey as the view moves, never the whole
// file. The owner supplies row texts, header and footer, sort orders,
// search keys and deletion through the events; every event has a default.
//
// The fileblock's record buffer is the owner's "current record": after every
// move the browser leaves the current row's record in it.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/user_port.h"
#include "store/file_manager.h"

namespace vek::store {

struct BrowserRow {
  Text text;  // columns separated by ';'
  Key key;
  std::int32_t record = 0;
  bool unreadable = false;
  bool marked = false;  // drawn with the grid's highlight
};

// What a sort order means: 0 as key keeps the current index.
struct BrowserOrder {
  int key = 0;
  Key low, high;
};

enum class BrowserKey {
  kUp, kDown, kPageUp, kPageDown, kFirst, kLast,
  kColumnLeft, kColumnRight, kFirstColumn, kLastColumn,
  kEnter, kDelete, kEscape, kOther,
};

struct BrowserEvents {
  std::function<bool()> OnInit_brDats;
  std::function<void()> OnEntf_brDats;
  std::function<Text(ConstBytes record)> OnBuildRow;
  std::function<bool(ConstBytes record)> OnRowMarked;
  std::function<void(Text& header, Text& footer)> OnSetHeaderFooter;
  std::function<std::vector<Text>()> OnInitSortList;
  std::function<BrowserOrder(int index)> OnSortList2Key;
  std::function<Key(std::string_view typed)> OnSuchFeld2KeyStr;
  std::function<void()> OnBrowEnter;
  std::function<void()> OnBrowSuchfeldEnter;
  std::function<void()> OnBrowDoppelKlick;
  std::function<bool()> OnBefore_Loesch;
  std::function<Text()> OnLoesch_Feld;
  std::function<bool()> OnDatensatz_Loeschen;
  std::function<int()> OnSuch_Eingabe;
  std::function<void(std::int32_t record)> OnAddSelectRow;
  std::function<bool(std::int32_t record)> OnFindeSelectRow;
  std::function<std::vector<std::int32_t>()> OnGetSelectRow;
  std::function<void()> OnInit_F_Tasten;
  std::function<void(int command)> OnWeitere_Befehle;
  // Escape and every key the browser does not handle; the code is the
  // window's key code. True when the owner handled it.
  std::function<bool(BrowserKey key, int code)> OnProcessPostCommand;
  std::function<void()> OnBrowScroll;
  std::function<void()> OnBrowCloseBtnKlick;
};

class RecordBrowser {
 public:
  static constexpr int kRowSlots = 100;
  // A list shows 20 rows until its window says how many it has room for;
  // a tall window shows up to the whole row buffer.
  static constexpr int kDefaultVisibleRows = 20;
  static constexpr int kMaxVisibleRows = kRowSlots;
  static constexpr int kScrollCap = 247;        // the bar's range for big files
  static constexpr std::int32_t kExactScrollLimit = 3000;
  static constexpr const char* kUnreadableRow = " ***** Datensatz nicht lesbar *****";

  RecordBrowser(FileManager& fm, UserPort& port) : fm_(fm), port_(port) {}
  ~RecordBrowser();

  BrowserEvents events;

  // A list that shares its fileblock with an entry in progress leaves the
  // record buffer as it found it after every operation.
  void SetKeepBuffer(bool keep) { keep_buffer_ = keep; }

  // Builds the list on the first record at or above `low`; false after a
  // failure (reported as "Fehler beim Erstellen der Liste! (FNr n)" or the
  // message of the step), the list is then empty.
  bool Build(FileBlock* fb, int key, Key low, Key high);
  // Takes the list down (OnEntf_brDats).
  void TakeDown();
  // Rows the window has room for (1..kMaxVisibleRows); the page is refilled around the
  // current row.
  void SetVisibleRows(int rows);
  // Rebuilds the page around the current row's key (after others changed
  // the file) and around a given key.
  void Repaint();
  void Reposition(std::string_view key_text, std::int32_t record = INT32_MIN);
  // Reads the current row's record into the buffer; reports failure.
  bool ReadCurrentRecord();

  // --- moves ---
  void Up();
  void Down();
  void PageUp();
  void PageDown();
  void First();
  void Last();
  void SelectRow(int row);  // a click on a shown row
  // The grid's keys; `grid_focus` as in the key table; true when handled
  // by the browser or the owner.
  bool HandleKey(BrowserKey key, bool grid_focus = true, int code = 0);
  void DoubleClick(int row);
  void SearchFieldEnter();
  // Quick search on every change of the field's text.
  void QuickSearch(std::string_view typed);
  void ChooseSortOrder(int index);
  // The deletion flow of the Delete key.
  void Delete();
  void ToggleSelection();  // row selection (Space), when the owner keeps one

  // --- columns ---
  void SetColumnCount(int n) { column_count_ = n; if (first_column_ >= n) first_column_ = n > 0 ? n - 1 : 0; }
  int first_column() const { return first_column_; }
  void SetFirstColumn(int c);
  // The furthest first column worth scrolling to: the window gives the one
  // from which the last columns fill its width, so that End and the bar stop
  // there instead of showing the last column alone (-1: the last column).
  void SetLastFirstColumn(int c) { last_first_column_ = c; SetFirstColumn(first_column_); }
  int LastFirstColumn() const;

  // --- scroll bar ---
  int ScrollMaximum() const { return scroll_max_; }
  int ScrollPosition() const;
  void DragTo(int position);

  // --- what the window shows ---
  const std::vector<BrowserRow>& rows() const { return rows_; }
  int current_row() const { return current_; }
  int visible_rows() const { return visible_; }
  const Text& header() const { return header_; }
  const Text& footer() const { return footer_; }
  const std::vector<Text>& sort_list() const { return sort_list_; }
  int SortlistItemIndex() const { return sort_index_; }
  void SetSortlistItemIndex(int i) { sort_index_ = i; }
  bool SortlistEnabled() const { return sort_enabled_; }
  void SetSortlistEnabled(bool e) { sort_enabled_ = e; }
  bool SortlistVisible() const { return sort_visible_; }
  void SetSortlistVisible(bool v) { sort_visible_ = v; }
  // Shown in the sort list while no order is chosen.
  Text SortListText() const;
  bool SelectionColumn() const { return static_cast<bool>(events.OnFindeSelectRow); }
  bool IsSelected(int row) const;
  // The owner empties the quick search field when this count changes.
  int search_clears() const { return search_clears_; }
  bool built() const { return built_; }
  FileBlock* file_block() const { return fb_; }
  int key() const { return key_; }
  // Rows read from the store since the list was built (what paging costs).
  std::int64_t rows_read() const { return rows_read_; }

 private:
  bool InRange(const Key& k) const;
  bool AtRow(const BrowserRow& row);  // positions the fileblock on the row's entry
  BrowserRow TakeRow();                // the row of the record just positioned on
  bool FirstInRange();
  bool LastInRange();
  // Fills the page with the entry at or after (key, record) as current row,
  // `above` rows before it where the range allows.
  void FillAround(const Key& key, std::int32_t record, int above);
  void FillFromTop(const Key& key, std::int32_t record, int current_offset);
  void LandOnCurrent();
  void RefreshEnds();
  void ClearSearch() { ++search_clears_; }
  long double KeyValue(const Key& k) const;

  FileManager& fm_;
  UserPort& port_;
  FileBlock* fb_ = nullptr;
  int key_ = 0;
  Key low_, high_;
  std::vector<BrowserRow> rows_;
  int current_ = -1;
  int visible_ = kDefaultVisibleRows;
  int last_first_column_ = -1;
  Text header_, footer_;
  std::vector<Text> sort_list_;
  int sort_index_ = -1;
  bool sort_enabled_ = true;
  bool sort_visible_ = true;
  int column_count_ = 0;
  int first_column_ = 0;
  int search_clears_ = 0;
  bool built_ = false;
  std::int32_t record_count_ = 0;
  int scroll_max_ = 0;
  Key first_key_, last_key_;  // the range's ends, for the bar's interpolation
  std::int32_t first_record_ = 0, last_record_ = 0;
  std::int64_t rows_read_ = 0;
  bool keep_buffer_ = false;
  int guard_depth_ = 0;
  friend class BrowserBufferGuard;
};

}  // namespace vek::store
