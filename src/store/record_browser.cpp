#include "store/record_browser.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "base/cp1252.h"
#include "base/text.h"

namespace vek::store {
namespace {

constexpr const char* kCannotRead = "Datensatz konnte nicht gelesen werden";

}  // namespace

RecordBrowser::~RecordBrowser() = default;

// Restores the fileblock's buffer at the end of the outermost operation of a
// browser that keeps it.
class BrowserBufferGuard {
 public:
  explicit BrowserBufferGuard(RecordBrowser& b) : b_(b), counted_(b.keep_buffer_ && b.fb_) {
    if (counted_ && b_.guard_depth_++ == 0) {
      Bytes buf = b_.fm_.RecordBuffer(b_.fb_);
      saved_.assign(buf.begin(), buf.end());
    }
  }
  ~BrowserBufferGuard() {
    if (!counted_) return;
    --b_.guard_depth_;
    if (saved_.empty()) return;  // an inner operation: the outermost one restores
    Bytes buf = b_.fm_.RecordBuffer(b_.fb_);
    std::copy(saved_.begin(), saved_.end(), buf.begin());
  }

 private:
  RecordBrowser& b_;
  bool counted_;
  std::vector<std::uint8_t> saved_;
};

bool RecordBrowser::InRange(const Key& k) const {
  if (CompareKeys(k, low_) < 0) return false;
  // A high key shorter than the index's keys limits the range by prefix.
  return high_.empty() || CompareKeys(std::string_view(k).substr(0, high_.size()), high_) <= 0;
}

bool RecordBrowser::AtRow(const BrowserRow& row) {
  if (row.unreadable) return false;
  return fm_.SearchEntry(fb_, key_, row.key, row.record) == 0 && fb_->current_record() == row.record;
}

BrowserRow RecordBrowser::TakeRow() {
  ++rows_read_;
  BrowserRow row;
  row.key = fb_->position_text();
  row.record = fb_->current_record();
  row.text = events.OnBuildRow ? events.OnBuildRow(fm_.RecordBuffer(fb_)) : Text();
  row.marked = events.OnRowMarked && events.OnRowMarked(fm_.RecordBuffer(fb_));
  return row;
}

bool RecordBrowser::FirstInRange() {
  const int st = low_.empty() ? fm_.FirstKey(fb_, key_) : fm_.SearchKey(fb_, key_, low_);
  return st == 0 && InRange(fb_->position_text());
}

bool RecordBrowser::LastInRange() {
  int st;
  if (high_.empty()) {
    st = fm_.LastKey(fb_, key_);
  } else {
    // The first key beyond every key that starts with the high key.
    Key beyond = high_;
    beyond.resize(kMaxKeyLength, '\xff');
    st = fm_.SearchKey(fb_, key_, beyond);
    st = st == 0 ? fm_.PrevKey(fb_, key_) : fm_.LastKey(fb_, key_);
  }
  return st == 0 && InRange(fb_->position_text());
}

void RecordBrowser::FillAround(const Key& key, std::int32_t record, int above) {
  rows_.clear();
  current_ = -1;
  if (!fb_) return;
  bool found;
  if (CompareKeys(key, low_) < 0) {
    found = FirstInRange();
  } else {
    found = fm_.SearchEntry(fb_, key_, key, record) == 0 && InRange(fb_->position_text());
    if (!found) found = LastInRange();  // past the range: its last entry
  }
  if (!found) return;
  const BrowserRow anchor = TakeRow();
  above = std::clamp(above, 0, visible_ - 1);

  // A step that fails for another reason than the end of the index leaves
  // a row the store could not read, and the view stops there.
  auto step = [&](bool forward, std::vector<BrowserRow>& out, std::size_t limit) {
    while (out.size() < limit) {
      const int st = forward ? fm_.NextKey(fb_, key_) : fm_.PrevKey(fb_, key_);
      if (st == 1) return true;
      if (st != 0) {
        out.push_back(BrowserRow{kUnreadableRow, {}, 0, true});
        return true;
      }
      if (!InRange(fb_->position_text())) return true;
      out.push_back(TakeRow());
    }
    return false;  // stopped by the limit, not by the range
  };
  std::vector<BrowserRow> before, after;
  const bool start_reached = step(false, before, static_cast<std::size_t>(above));
  AtRow(anchor);
  step(true, after, static_cast<std::size_t>(visible_ - 1) - before.size());
  const std::size_t shown = before.size() + 1 + after.size();
  const BrowserRow& top = before.empty() ? anchor : before.back();
  if (shown < static_cast<std::size_t>(visible_) && !start_reached && !top.unreadable) {
    // Near the end of the range the page fills from above.
    AtRow(top);
    std::vector<BrowserRow> more;
    step(false, more, static_cast<std::size_t>(visible_) - shown);
    before.insert(before.end(), more.begin(), more.end());
  }
  rows_.assign(before.rbegin(), before.rend());
  current_ = static_cast<int>(rows_.size());
  rows_.push_back(anchor);
  rows_.insert(rows_.end(), after.begin(), after.end());
  LandOnCurrent();
}

void RecordBrowser::LandOnCurrent() {
  if (current_ >= 0 && current_ < static_cast<int>(rows_.size())) AtRow(rows_[static_cast<std::size_t>(current_)]);
}

void RecordBrowser::RefreshEnds() {
  record_count_ = std::max<std::int32_t>(0, fm_.RecordCount(fb_));
  scroll_max_ = record_count_ > kExactScrollLimit ? kScrollCap : std::max(0, record_count_ - 1);
  first_key_.clear();
  last_key_.clear();
  first_record_ = last_record_ = 0;
  if (FirstInRange()) first_key_ = fb_->position_text(), first_record_ = fb_->current_record();
  if (LastInRange()) last_key_ = fb_->position_text(), last_record_ = fb_->current_record();
}

bool RecordBrowser::Build(FileBlock* fb, int key, Key low, Key high) {
  built_ = false;
  rows_.clear();
  current_ = -1;
  int step = 1;
  auto fail = [&](const Text& message) {
    port_.Inform(message);
    rows_.clear();
    current_ = -1;
    if (events.OnEntf_brDats) events.OnEntf_brDats();
    return false;
  };
  if (events.OnInit_brDats && !events.OnInit_brDats()) return fail(W("Fehler beim Öffnen der Datenbanken!"));
  ++step;
  if (!fb) return fail(W("ungültiger Treiber"));
  ++step;
  fb_ = fb;
  BrowserBufferGuard keep(*this);
  key_ = key;
  low_ = Key(std::string_view(low).substr(0, kMaxKeyLength));
  high_ = Key(std::string_view(high).substr(0, kMaxKeyLength));
  if (fm_.RecordCount(fb_) < 0) return fail(W("Datenbank kann nicht geöffnet werden!"));
  const auto list_failed = [&] {
    return fail(W("Fehler beim Erstellen der Liste! (FNr ") + std::to_string(step) + ")");
  };
  ++step;
  rows_.reserve(kRowSlots);
  ++step;
  RefreshEnds();
  if (fm_.stopped()) return list_failed();
  ++step;
  FillAround(low_, INT32_MIN, 0);
  if (fm_.stopped()) return list_failed();
  ++step;
  header_.clear();
  footer_.clear();
  if (events.OnSetHeaderFooter) events.OnSetHeaderFooter(header_, footer_);
  ++step;
  sort_list_ = events.OnInitSortList ? events.OnInitSortList() : std::vector<Text>{};
  sort_enabled_ = sort_list_.size() >= 2;
  sort_index_ = -1;
  first_column_ = 0;
  ClearSearch();
  if (events.OnInit_F_Tasten) events.OnInit_F_Tasten();
  built_ = true;
  return true;
}

void RecordBrowser::TakeDown() {
  if (!built_) return;
  built_ = false;
  rows_.clear();
  current_ = -1;
  if (events.OnEntf_brDats) events.OnEntf_brDats();
}

Text RecordBrowser::SortListText() const {
  if (sort_index_ >= 0 && sort_index_ < static_cast<int>(sort_list_.size()))
    return sort_list_[static_cast<std::size_t>(sort_index_)];
  return sort_list_.size() == 1 ? sort_list_.front() : Text("Sortierung");
}

bool RecordBrowser::IsSelected(int row) const {
  if (!events.OnFindeSelectRow || row < 0 || row >= static_cast<int>(rows_.size())) return false;
  const BrowserRow& r = rows_[static_cast<std::size_t>(row)];
  return !r.unreadable && events.OnFindeSelectRow(r.record);
}

void RecordBrowser::SetVisibleRows(int rows) {
  BrowserBufferGuard keep(*this);
  rows = std::clamp(rows, 1, kMaxVisibleRows);
  if (rows == visible_) return;
  visible_ = rows;
  if (built_) Repaint();
}

void RecordBrowser::Repaint() {
  BrowserBufferGuard keep(*this);
  if (!fb_) return;
  RefreshEnds();
  if (current_ < 0 || rows_[static_cast<std::size_t>(current_)].unreadable) {
    FillAround(low_, INT32_MIN, 0);
    return;
  }
  const BrowserRow now = rows_[static_cast<std::size_t>(current_)];
  FillAround(now.key, now.record, current_);
}

void RecordBrowser::Reposition(std::string_view key_text, std::int32_t record) {
  BrowserBufferGuard keep(*this);
  if (!fb_) return;
  RefreshEnds();
  FillAround(Key(key_text.substr(0, kMaxKeyLength)), record, std::max(current_, 0));
}

bool RecordBrowser::ReadCurrentRecord() {
  if (current_ < 0 || !AtRow(rows_[static_cast<std::size_t>(current_)])) {
    port_.Inform(kCannotRead);
    return false;
  }
  return true;
}

void RecordBrowser::Down() {
  BrowserBufferGuard keep(*this);
  if (rows_.empty()) return;
  if (current_ + 1 < static_cast<int>(rows_.size())) {
    ++current_;
  } else if (AtRow(rows_.back()) && fm_.NextKey(fb_, key_) == 0 && InRange(fb_->position_text())) {
    rows_.push_back(TakeRow());
    if (static_cast<int>(rows_.size()) > visible_) rows_.erase(rows_.begin());
    current_ = static_cast<int>(rows_.size()) - 1;
  }
  LandOnCurrent();
}

void RecordBrowser::Up() {
  BrowserBufferGuard keep(*this);
  if (rows_.empty()) return;
  if (current_ > 0) {
    --current_;
  } else if (AtRow(rows_.front()) && fm_.PrevKey(fb_, key_) == 0 && InRange(fb_->position_text())) {
    rows_.insert(rows_.begin(), TakeRow());
    if (static_cast<int>(rows_.size()) > visible_) rows_.pop_back();
    current_ = 0;
  }
  LandOnCurrent();
}

void RecordBrowser::PageDown() {
  BrowserBufferGuard keep(*this);
  if (rows_.empty()) return;
  std::vector<BrowserRow> next;
  if (AtRow(rows_.back())) {
    while (static_cast<int>(next.size()) < visible_ && fm_.NextKey(fb_, key_) == 0 &&
           InRange(fb_->position_text()))
      next.push_back(TakeRow());
  }
  if (static_cast<int>(next.size()) == visible_) {
    rows_ = std::move(next);
    current_ = std::min(current_, static_cast<int>(rows_.size()) - 1);
  } else {
    // The end of the range: the last page, on its last row.
    rows_.insert(rows_.end(), next.begin(), next.end());
    if (static_cast<int>(rows_.size()) > visible_) rows_.erase(rows_.begin(), rows_.end() - visible_);
    current_ = static_cast<int>(rows_.size()) - 1;
  }
  LandOnCurrent();
}

void RecordBrowser::PageUp() {
  BrowserBufferGuard keep(*this);
  if (rows_.empty()) return;
  std::vector<BrowserRow> prev;
  if (AtRow(rows_.front())) {
    while (static_cast<int>(prev.size()) < visible_ && fm_.PrevKey(fb_, key_) == 0 &&
           InRange(fb_->position_text()))
      prev.push_back(TakeRow());
  }
  std::reverse(prev.begin(), prev.end());
  if (static_cast<int>(prev.size()) == visible_) {
    rows_ = std::move(prev);
    current_ = std::min(current_, static_cast<int>(rows_.size()) - 1);
  } else {
    rows_.insert(rows_.begin(), prev.begin(), prev.end());
    if (static_cast<int>(rows_.size()) > visible_) rows_.resize(static_cast<std::size_t>(visible_));
    current_ = 0;
  }
  LandOnCurrent();
}

void RecordBrowser::First() {
  BrowserBufferGuard keep(*this);
  if (fb_) FillAround(low_, INT32_MIN, 0);
}

void RecordBrowser::Last() {
  BrowserBufferGuard keep(*this);
  if (!fb_ || !LastInRange()) return;
  FillAround(fb_->position_text(), fb_->current_record(), visible_ - 1);
}

void RecordBrowser::SelectRow(int row) {
  BrowserBufferGuard keep(*this);
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  current_ = row;
  LandOnCurrent();
}

int RecordBrowser::LastFirstColumn() const {
  const int last = std::max(0, column_count_ - 1);
  return last_first_column_ < 0 ? last : std::min(last_first_column_, last);
}

void RecordBrowser::SetFirstColumn(int c) { first_column_ = std::clamp(c, 0, LastFirstColumn()); }

bool RecordBrowser::HandleKey(BrowserKey key, bool grid_focus, int code) {
  switch (key) {
    case BrowserKey::kUp: Up(); break;
    case BrowserKey::kDown: Down(); break;
    case BrowserKey::kPageUp: PageUp(); break;
    case BrowserKey::kPageDown: PageDown(); break;
    case BrowserKey::kFirst: First(); break;
    case BrowserKey::kLast: Last(); break;
    case BrowserKey::kColumnLeft:
    case BrowserKey::kColumnRight:
      if (!grid_focus) return events.OnProcessPostCommand && events.OnProcessPostCommand(key, code);
      SetFirstColumn(first_column_ + (key == BrowserKey::kColumnLeft ? -1 : 1));
      break;
    case BrowserKey::kFirstColumn: SetFirstColumn(0); break;
    case BrowserKey::kLastColumn: SetFirstColumn(LastFirstColumn()); break;
    case BrowserKey::kEnter:
      if (events.OnBrowEnter) events.OnBrowEnter();
      break;
    case BrowserKey::kDelete:
      if (!grid_focus) return false;  // the key goes on to the field
      Delete();
      break;
    case BrowserKey::kEscape:
    case BrowserKey::kOther:
      return events.OnProcessPostCommand && events.OnProcessPostCommand(key, code);
  }
  ClearSearch();
  return true;
}

void RecordBrowser::DoubleClick(int row) {
  BrowserBufferGuard keep(*this);
  if (row >= 0 && row < static_cast<int>(rows_.size())) current_ = row;
  if (!ReadCurrentRecord()) return;
  if (events.OnBrowDoppelKlick) events.OnBrowDoppelKlick();
}

void RecordBrowser::SearchFieldEnter() {
  if (events.OnBrowSuchfeldEnter) {
    events.OnBrowSuchfeldEnter();
  } else if (events.OnBrowEnter) {
    events.OnBrowEnter();
  }
}

void RecordBrowser::QuickSearch(std::string_view typed) {
  BrowserBufferGuard keep(*this);
  if (!fb_) return;
  const Key wanted = events.OnSuchFeld2KeyStr ? events.OnSuchFeld2KeyStr(typed) : AsciiUpper(typed);
  if (wanted.empty()) return;
  const auto begins = [&] { return fb_->position_text().compare(0, wanted.size(), wanted) == 0; };
  bool found = fm_.SearchKey(fb_, key_, wanted) == 0;
  if (!found) {
    found = LastInRange();  // nothing at or after it: the last key before it
  } else if (!begins() && fm_.PrevKey(fb_, key_) != 0) {
    found = fm_.SearchKey(fb_, key_, wanted) == 0;
  }
  if (found && !InRange(fb_->position_text())) {
    found = CompareKeys(fb_->position_text(), low_) < 0 ? FirstInRange() : LastInRange();
  }
  if (!found) return;
  FillAround(fb_->position_text(), fb_->current_record(), std::max(current_, 0));
}

void RecordBrowser::ChooseSortOrder(int index) {
  BrowserBufferGuard keep(*this);
  sort_index_ = index;
  if (!events.OnSortList2Key || !fb_) return;
  const BrowserOrder order = events.OnSortList2Key(index);
  if (order.key == 0 || order.key == key_) return;
  // The current record's entry in the new index keeps the view on it.
  const bool had_current = ReadCurrentRecord();
  key_ = order.key;
  low_ = order.low;
  high_ = order.high;
  const Key here = had_current ? fm_.MakeKey(fb_, key_) : low_;
  const std::int32_t record = had_current ? fb_->current_record() : INT32_MIN;
  RefreshEnds();
  FillAround(here, record, std::max(current_, 0));
  header_.clear();
  footer_.clear();
  if (events.OnSetHeaderFooter) events.OnSetHeaderFooter(header_, footer_);
  ClearSearch();
}

void RecordBrowser::Delete() {
  BrowserBufferGuard keep(*this);
  if (!ReadCurrentRecord()) return;
  if (events.OnBefore_Loesch && !events.OnBefore_Loesch()) return;
  const Text name = events.OnLoesch_Feld ? events.OnLoesch_Feld() : Text("Datensatz");
  if (!port_.AskYesNo(W(" Löschen ") + "\"" + name + "\"", "Sicherheitsabfrage")) return;
  const BrowserRow gone = rows_[static_cast<std::size_t>(current_)];
  const bool deleted = events.OnDatensatz_Loeschen ? events.OnDatensatz_Loeschen() : fm_.DeleteRecord(fb_) == 0;
  if (!deleted) return;
  RefreshEnds();
  FillAround(gone.key, gone.record, current_);
}

void RecordBrowser::ToggleSelection() {
  if (!events.OnAddSelectRow || current_ < 0) return;
  const BrowserRow& r = rows_[static_cast<std::size_t>(current_)];
  if (!r.unreadable) events.OnAddSelectRow(r.record);
}

// The bar places a key by its bytes between the range's first and last key:
// a guess that needs no walk through the index.
long double RecordBrowser::KeyValue(const Key& k) const {
  std::size_t p = 0;
  while (p < first_key_.size() && p < last_key_.size() && first_key_[p] == last_key_[p]) ++p;
  long double v = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    const std::size_t at = p + i;
    v = v * 256 + (at < k.size() ? static_cast<unsigned char>(k[at]) : 0);
  }
  return v;
}

int RecordBrowser::ScrollPosition() const {
  if (current_ < 0 || scroll_max_ == 0) return 0;
  const BrowserRow& r = rows_[static_cast<std::size_t>(current_)];
  if (r.unreadable) return 0;
  if (r.record == first_record_ && r.key == first_key_) return 0;
  if (r.record == last_record_ && r.key == last_key_) return scroll_max_;
  const long double lo = KeyValue(first_key_), hi = KeyValue(last_key_);
  if (hi <= lo) return scroll_max_ / 2;
  const long double f = (KeyValue(r.key) - lo) / (hi - lo);
  const int pos = static_cast<int>(std::lround(static_cast<double>(f * scroll_max_)));
  // Only the two ends stand for the first and the last record.
  return scroll_max_ < 2 ? pos : std::clamp(pos, 1, scroll_max_ - 1);
}

void RecordBrowser::DragTo(int position) {
  BrowserBufferGuard keep(*this);
  if (!fb_) return;
  if (events.OnBrowScroll) events.OnBrowScroll();
  if (position <= 0) return First();
  if (position >= scroll_max_) return Last();
  std::size_t p = 0;
  while (p < first_key_.size() && p < last_key_.size() && first_key_[p] == last_key_[p]) ++p;
  const long double lo = KeyValue(first_key_), hi = KeyValue(last_key_);
  long double v = lo + (hi - lo) * position / scroll_max_;
  Key target = first_key_.substr(0, p);
  std::string tail(8, '\0');
  for (int i = 7; i >= 0; --i) {
    const long double q = std::floor(v / 256);
    tail[static_cast<std::size_t>(i)] = static_cast<char>(static_cast<int>(v - q * 256));
    v = q;
  }
  while (!tail.empty() && tail.back() == '\0') tail.pop_back();
  target += tail;
  FillAround(target, INT32_MIN, std::max(current_, 0));
}

}  // namespace vek::store
