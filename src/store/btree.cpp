// One B-tree per key inside the index file. Pages hold up to E entries
// (62 in files this program creates); an entry carries its record number,
// the page right of it and the key. Pages split in the middle when they
// overflow; a page that falls below (E-2)/2 entries borrows from a sibling or
// merges with one, so every leaf stays at the same depth.
//
// Entries are ordered by (key, record number): in a unique index the record
// number never decides, in one with duplicates it orders equal keys.
#include <algorithm>

#include "store/file_manager.h"
#include "store/prefetch.h"

namespace vek::store {
namespace {

constexpr int kMaxDepth = 40;  // deeper than any real tree: a page cycle

int CompareEntry(const IndexPage& p, std::size_t i, std::string_view key, std::int32_t record) {
  const int c = CompareKeys(p.KeyAt(i), key);
  if (c) return c;
  const std::int32_t r = p.Record(i);
  return r < record ? -1 : (r > record ? 1 : 0);
}

// First position whose entry is >= (key, record), or > with `strict`.
std::size_t Bound(const IndexPage& p, std::string_view key, std::int32_t record, bool strict) {
  std::size_t lo = 0, hi = p.size();
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    const int c = CompareEntry(p, mid, key, record);
    if (c < 0 || (strict && c == 0))
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

}  // namespace

int FileManager::MinEntries(FileBlock* fb, int key) const {
  return std::max(1, (fb->descriptors_[key].entries_per_page - 2) / 2);
}

PinnedPage FileManager::LoadPage(FileBlock* fb, int key, std::int32_t number) {
  const Descriptor& d = fb->descriptors_[key];
  if (number < 1 || number > d.page_count) {
    Damage(fb, key, number);
    return {};
  }
  if (PageFrame* f = pool_->Find(fb, key, number)) return PinnedPage(f);
  // Read straight into the frame the page takes, which keeps the storage of
  // the page it held before: a full pool allocates nothing per miss.
  PageFrame* f = pool_->Claim(fb, key, number);
  if (!f) return {};
  const std::span<std::uint8_t> bytes =
      f->page.Storage(fb->keys_[key].length, d.entries_per_page, static_cast<std::size_t>(d.page_size));
  if (!Read(fb, *fb->ix_, fb->PageOffset(key, number), bytes)) {
    pool_->Forget(fb, key, number);
    return {};
  }
  // A page that cannot be one, or whose entries could not stand in this
  // tree, means the index is damaged: it is rebuilt rather than believed.
  if (!f->page.Accept() || !PlausiblePage(fb, key, f->page)) {
    pool_->Forget(fb, key, number);
    Damage(fb, key, number);
    return {};
  }
  return PinnedPage(f);
}

// The cheap checks of a page read from the file: entries in order, children
// all present in an inner page and all absent in a leaf, each within the
// index's pages, records within the record file.
bool FileManager::PlausiblePage(FileBlock* fb, int key, const IndexPage& page) const {
  const Descriptor& d = fb->descriptors_[key];
  const bool unique = !fb->keys_[key].duplicates;
  const bool leaf = page.IsLeaf();
  if (!leaf && (page.first_child() < 1 || page.first_child() > d.page_count)) return false;
  for (std::size_t i = 0; i < page.size(); ++i) {
    const std::int32_t record = page.Record(i), child = page.EntryChild(i);
    if (record < 1 || record > fb->header_.highest) return false;
    if (leaf ? child != 0 : (child < 1 || child > d.page_count)) return false;
    if (i == 0) continue;
    const int c = CompareKeys(page.KeyAt(i - 1), page.KeyAt(i));
    if (c > 0 || (c == 0 && (unique || page.Record(i - 1) >= record))) return false;
  }
  return true;
}

bool FileManager::WritePage(PageFrame& frame) {
  FileBlock* fb = frame.fb;
  if (!fb->changing_ && !BeginChange(fb)) return false;
  if (!Write(fb, *fb->ix_, fb->PageOffset(frame.key, frame.number), frame.page.Used())) return false;
  pool_->SetDirty(frame, false);
  return true;
}

PinnedPage FileManager::NewPage(FileBlock* fb, int key, IndexPage&& page) {
  Descriptor& d = fb->descriptors_[key];
  std::int32_t number = 0;
  if (d.first_free == kNoLink) {
    number = d.page_count + 1;
    if (number > fb->ix_slots_) {
      // A new slot holds page `number` of every key; it starts as zeros.
      const std::vector<std::uint8_t> zeros(static_cast<std::size_t>(fb->slot_size_), 0);
      if (!Write(fb, *fb->ix_, static_cast<std::uint64_t>(number) * static_cast<std::uint64_t>(fb->slot_size_),
                 zeros))
        return {};
      fb->ix_slots_ = number;
    }
    d.page_count = number;
  } else {
    const std::int32_t f = d.first_free;
    if (f < 1 || f > d.page_count) return Damage(fb, key, f), PinnedPage();
    std::uint8_t link_bytes[4];
    if (!Read(fb, *fb->ix_, fb->PageOffset(key, f), link_bytes)) return {};
    const std::int32_t link = GetI32(link_bytes, 0);
    if (link == 0 || link == f || (link != kNoLink && (link < 1 || link > d.page_count)) || d.free_count < 1)
      return Damage(fb, key, f), PinnedPage();
    d.first_free = link;
    --d.free_count;
    number = f;
  }
  fb->descriptors_dirty_ = true;
  PageFrame* frame = pool_->Add(fb, key, number, std::move(page));
  if (!frame) return {};
  pool_->SetDirty(*frame, true);
  return PinnedPage(frame);
}

bool FileManager::FreePage(FileBlock* fb, int key, std::int32_t number) {
  Descriptor& d = fb->descriptors_[key];
  pool_->Forget(fb, key, number);
  std::uint8_t link[4];
  PutI32(link, 0, d.first_free);
  if (!Write(fb, *fb->ix_, fb->PageOffset(key, number), link)) return false;
  d.first_free = number;
  ++d.free_count;
  fb->descriptors_dirty_ = true;
  return true;
}

// ---------------------------------------------------------------- searching

// Walks from the root to a leaf; `step` looks at each page on the way and
// returns the child to go on with. A path deeper than any tree is a cycle.
bool FileManager::Descend(FileBlock* fb, int key, const std::function<std::int32_t(const IndexPage&)>& step) {
  std::int32_t p = fb->descriptors_[key].root;
  for (int depth = 0; p != 0; ++depth) {
    if (depth > kMaxDepth) return Damage(fb, key, p);
    PinnedPage page = LoadPage(fb, key, p);
    if (!page) return false;
    // A binary search meets its cache misses one after another; asked for
    // at once, the lines of the page arrive together.
    const std::span<const std::uint8_t> bytes = page->Used();
    for (std::size_t line = 0; line < bytes.size(); line += 64) Prefetch(bytes.data() + line);
    descending_page_ = p;
    p = step(*page);
  }
  return true;
}

bool FileManager::LowerBound(FileBlock* fb, int key, const Key& text, std::int32_t record, bool strict,
                             Found& out) {
  out.ok = false;
  bool exact = false;
  return Descend(fb, key, [&](const IndexPage& page) -> std::int32_t {
    if (exact) return 0;
    const std::size_t i = Bound(page, text, record, strict);
    if (i < page.size()) {
      out.ok = true;
      out.entry = page.EntryAt(i);
      out.page = page.IsLeaf() ? descending_page_ : 0;
      out.index = i;
      if (!strict && CompareEntry(page, i, text, record) == 0) {
        exact = true;
        return 0;
      }
    }
    return page.Child(i);
  });
}

bool FileManager::Predecessor(FileBlock* fb, int key, const Key& text, std::int32_t record, Found& out) {
  out.ok = false;
  return Descend(fb, key, [&](const IndexPage& page) {
    const std::size_t i = Bound(page, text, record, false);
    if (i > 0) {
      out.ok = true;
      out.entry = page.EntryAt(i - 1);
    }
    return page.Child(i);
  });
}

bool FileManager::Edge(FileBlock* fb, int key, bool last, Found& out) {
  out.ok = false;
  return Descend(fb, key, [&](const IndexPage& page) {
    // Only a root left without entries is empty, and it is never kept.
    if (page.empty()) return std::int32_t{0};
    out.ok = true;
    out.entry = page.EntryAt(last ? page.size() - 1 : 0);
    return last ? out.entry.child : page.first_child();
  });
}

// ---------------------------------------------------------------- insert

bool FileManager::Insert(FileBlock* fb, int key, const Key& text, std::int32_t record, bool& duplicate) {
  pool_->NoteChange();
  duplicate = false;
  Descriptor& d = fb->descriptors_[key];
  if (!fb->keys_[key].duplicates) {
    Found f;
    if (!LowerBound(fb, key, text, INT32_MIN, false, f)) return false;
    if (f.ok && f.entry.key == text) {
      duplicate = true;
      return true;
    }
  }
  const Entry entry{record, 0, text};
  if (d.root == 0) {
    IndexPage leaf;
    leaf.Reset(fb->keys_[key].length, d.entries_per_page);
    leaf.Insert(0, record, 0, text);
    PinnedPage page = NewPage(fb, key, std::move(leaf));
    if (!page) return false;
    d.root = page.number();
  } else {
    bool split = false;
    Entry up;
    if (!InsertInto(fb, key, d.root, entry, split, up, 0)) return false;
    if (split) {
      IndexPage root;
      root.Reset(fb->keys_[key].length, d.entries_per_page);
      root.set_first_child(d.root);
      root.Insert(0, up.record, up.child, up.key);
      PinnedPage page = NewPage(fb, key, std::move(root));
      if (!page) return false;
      d.root = page.number();
    }
  }
  ++d.entry_count;
  fb->descriptors_dirty_ = true;
  return true;
}

bool FileManager::InsertInto(FileBlock* fb, int key, std::int32_t p, const Entry& e, bool& split, Entry& up,
                             int depth) {
  split = false;
  if (depth > kMaxDepth) return Damage(fb, key, p);
  PinnedPage page = LoadPage(fb, key, p);
  if (!page) return false;
  const std::size_t i = Bound(*page, e.key, e.record, true);
  if (page->IsLeaf()) {
    page->Insert(i, e.record, 0, e.key);
  } else {
    bool child_split = false;
    Entry child_up;
    if (!InsertInto(fb, key, page->Child(i), e, child_split, child_up, depth + 1)) return false;
    if (!child_split) return true;
    page->Insert(i, child_up.record, child_up.child, child_up.key);
  }
  page.MarkDirty();
  const auto capacity = static_cast<std::size_t>(fb->descriptors_[key].entries_per_page);
  if (page->size() <= capacity) return true;

  // Split in the middle: the middle entry goes up, pointing at the new right page.
  const std::size_t mid = page->size() / 2;
  IndexPage right;
  right.Reset(page->key_length(), static_cast<int>(capacity));
  right.set_first_child(page->EntryChild(mid));
  page->MoveTailTo(mid + 1, right);
  up = page->EntryAt(mid);
  page->Truncate(mid);
  PinnedPage right_page = NewPage(fb, key, std::move(right));
  if (!right_page) return false;
  up.child = right_page.number();
  split = true;
  return true;
}

// ---------------------------------------------------------------- remove

bool FileManager::Remove(FileBlock* fb, int key, const Key& text, std::int32_t record, bool& found) {
  pool_->NoteChange();
  found = false;
  Descriptor& d = fb->descriptors_[key];
  if (d.root == 0) return true;
  if (!RemoveFrom(fb, key, d.root, text, record, found, 0)) return false;
  if (!found) return true;
  --d.entry_count;
  fb->descriptors_dirty_ = true;
  // A root left without entries gives way to its only child (or to nothing).
  PinnedPage root = LoadPage(fb, key, d.root);
  if (!root) return false;
  if (!root->empty()) return true;
  const std::int32_t old_root = d.root;
  d.root = root->first_child();
  root = PinnedPage();
  return FreePage(fb, key, old_root);
}

bool FileManager::RemoveFrom(FileBlock* fb, int key, std::int32_t p, const Key& text, std::int32_t record,
                             bool& found, int depth) {
  if (depth > kMaxDepth) return Damage(fb, key, p);
  PinnedPage page = LoadPage(fb, key, p);
  if (!page) return false;
  const std::size_t i = Bound(*page, text, record, false);
  const bool here = i < page->size() && CompareEntry(*page, i, text, record) == 0;
  if (page->IsLeaf()) {
    if (here) {
      found = true;
      page->Erase(i);
      page.MarkDirty();
    }
    return true;
  }
  if (here) {
    // Replace the entry by its predecessor, the last entry of the left subtree.
    found = true;
    Entry predecessor;
    if (!RemoveLast(fb, key, page->Child(i), predecessor, depth + 1)) return false;
    page->SetRecordAndKey(i, predecessor.record, predecessor.key);
    page.MarkDirty();
  } else {
    if (!RemoveFrom(fb, key, page->Child(i), text, record, found, depth + 1)) return false;
    if (!found) return true;
  }
  return FixChild(fb, key, page, i);
}

bool FileManager::RemoveLast(FileBlock* fb, int key, std::int32_t p, Entry& out, int depth) {
  if (depth > kMaxDepth) return Damage(fb, key, p);
  PinnedPage page = LoadPage(fb, key, p);
  if (!page) return false;
  const std::size_t last = page->size();
  if (page->IsLeaf()) {
    out = page->EntryAt(last - 1);
    page->Truncate(last - 1);
    page.MarkDirty();
    return true;
  }
  if (!RemoveLast(fb, key, page->Child(last), out, depth + 1)) return false;
  return FixChild(fb, key, page, last);
}

bool FileManager::FixChild(FileBlock* fb, int key, PinnedPage& parent, std::size_t i) {
  const auto minimum = static_cast<std::size_t>(MinEntries(fb, key));
  PinnedPage child = LoadPage(fb, key, parent->Child(i));
  if (!child) return false;
  if (child->size() >= minimum) return true;

  PinnedPage left, right;
  if (i > 0 && !(left = LoadPage(fb, key, parent->Child(i - 1)))) return false;
  if (i < parent->size() && !(right = LoadPage(fb, key, parent->Child(i + 1)))) return false;

  if (left && left->size() > minimum) {  // borrow through the separator on the left
    child->Insert(0, parent->Record(i - 1), child->first_child(), parent->KeyAt(i - 1));
    const Entry moved = left->EntryAt(left->size() - 1);
    left->Truncate(left->size() - 1);
    child->set_first_child(moved.child);
    parent->SetRecordAndKey(i - 1, moved.record, moved.key);
    left.MarkDirty(), child.MarkDirty(), parent.MarkDirty();
    return true;
  }
  if (right && right->size() > minimum) {  // borrow through the separator on the right
    child->Insert(child->size(), parent->Record(i), right->first_child(), parent->KeyAt(i));
    const Entry moved = right->EntryAt(0);
    right->Erase(0);
    right->set_first_child(moved.child);
    parent->SetRecordAndKey(i, moved.record, moved.key);
    right.MarkDirty(), child.MarkDirty(), parent.MarkDirty();
    return true;
  }
  // Merge with a sibling: left part + separator + right part fit one page.
  PinnedPage& into = right ? child : left;
  PinnedPage& from = right ? right : child;
  const std::size_t sep_index = right ? i : i - 1;
  into->Insert(into->size(), parent->Record(sep_index), from->first_child(), parent->KeyAt(sep_index));
  from->MoveTailTo(0, *into);
  const std::int32_t freed = from.number();
  parent->Erase(sep_index);
  into.MarkDirty(), parent.MarkDirty();
  from = PinnedPage();
  return FreePage(fb, key, freed);
}

}  // namespace vek::store
