// Building every index of a fileblock from its records at once: after a
// rebuild, a fill, or a repair. The keys of all records are made in one pass
// over the record file, each index is sorted on its own (both spread over the
// machine's cores: the key builder only reads the record it is given), and the
// trees are built bottom-up into an image of the index file that goes to disk
// in large writes. Single inserts would touch every index once per record.
#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>

#include "store/file_manager.h"
#include "store/prefetch.h"

namespace vek::store {
namespace {

constexpr std::int32_t kBuildChunkRecords = 32768;
// Records per thread below which starting a thread costs more than it saves.
constexpr std::size_t kRecordsPerThread = 2048;
// A larger index image is written page by page: it would not fit.
constexpr std::uint64_t kImageLimit = 1ull << 30;

// Runs body(0) .. body(count - 1), spread over the cores.
template <typename Body>
void ParallelFor(std::size_t count, std::size_t threads, const Body& body) {
  threads = std::min(threads, count);
  if (threads <= 1) {
    for (std::size_t i = 0; i < count; ++i) body(i);
    return;
  }
  // The counter on a cache line of its own, the body copied into each
  // thread: shared lines written by one core slow down every other one.
  struct alignas(64) Counter {
    std::atomic<std::size_t> next{0};
  } counter;
  auto work = [&counter, count, body] {
    for (std::size_t i = counter.next++; i < count; i = counter.next++) body(i);
  };
  std::vector<std::thread> helpers;
  for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(work);
  work();
  for (std::thread& h : helpers) h.join();
}

// Sorted entries whose cells are asked for before they are copied.
constexpr std::size_t kCellsAhead = 8;

std::size_t Cores() { return std::max(1u, std::min(8u, std::thread::hardware_concurrency())); }

}  // namespace

// The keys of one index for all live records, each in a fixed-width cell: the
// key's bytes, zeros up to the index's key length, and the key's length last.
// Cells compare byte-wise exactly as the keys compare (a shorter key whose
// bytes lead a longer one sorts first, by its padding or by its length).
struct KeyColumn {
  std::size_t width = 0;
  std::vector<std::uint8_t> cells;
  const std::uint8_t* Cell(std::size_t i) const { return cells.data() + i * width; }
  std::size_t Length(std::size_t i) const { return Cell(i)[width - 1]; }
  void Put(std::size_t i, const Key& key) {
    std::uint8_t* cell = cells.data() + i * width;
    std::memcpy(cell, key.data(), key.size());
    cell[width - 1] = static_cast<std::uint8_t>(key.size());
  }
  bool Equal(std::size_t a, std::size_t b) const { return std::memcmp(Cell(a), Cell(b), width) == 0; }
};

namespace {

std::uint64_t Head(const std::uint8_t* cell, std::size_t width, std::size_t from) {
  std::uint64_t v = 0;
  for (std::size_t i = from; i < from + 8; ++i) v = (v << 8) | (i < width ? cell[i] : 0u);
  return v;
}

struct SortItem {
  std::uint64_t h1;  // cell bytes 0..7, the first the most significant
  std::uint32_t h2;  // cell bytes 8..11
  std::uint32_t at;
};

unsigned Digit(const SortItem& item, int d) {
  return d < 8 ? static_cast<unsigned>(item.h1 >> (56 - 8 * d)) & 0xFFu
               : static_cast<unsigned>(item.h2 >> (24 - 8 * (d - 8))) & 0xFFu;
}

// Least significant byte first, one stable pass per byte; a byte that is the
// same in every item (padding, a band of its own, the high bytes of numbers)
// costs no pass. Stable passes keep items that agree on all twelve bytes in
// the order they came in.
void RadixSort(std::vector<SortItem>& items) {
  const std::size_t n = items.size();
  std::vector<std::array<std::uint32_t, 256>> counts(12);
  for (const SortItem& item : items)
    for (int d = 0; d < 12; ++d) ++counts[static_cast<std::size_t>(d)][Digit(item, d)];
  std::vector<SortItem> other(n);
  for (int d = 11; d >= 0; --d) {
    std::array<std::uint32_t, 256>& c = counts[static_cast<std::size_t>(d)];
    if (c[Digit(items[0], d)] == n) continue;
    std::uint32_t sum = 0;
    for (std::uint32_t& x : c) sum += std::exchange(x, sum);
    for (const SortItem& item : items) other[c[Digit(item, d)]++] = item;
    items.swap(other);
  }
}

// The live records' places in key order, equal keys in record order (the
// order single inserts give): the first twelve bytes of each cell are sorted
// as numbers, the rest only among cells that agree on them.
std::vector<std::uint32_t> SortedOrder(const KeyColumn& column, std::size_t count) {
  std::vector<SortItem> items(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* cell = column.Cell(i);
    items[i] =
        SortItem{Head(cell, column.width, 0), static_cast<std::uint32_t>(Head(cell, column.width, 8) >> 32),
                 static_cast<std::uint32_t>(i)};
  }
  const std::size_t rest = column.width > 12 ? column.width - 12 : 0;
  auto rest_less = [&](const SortItem& a, const SortItem& b) {
    return std::memcmp(column.Cell(a.at) + 12, column.Cell(b.at) + 12, rest) < 0;
  };
  auto less = [&](const SortItem& a, const SortItem& b) {
    if (a.h1 != b.h1) return a.h1 < b.h1;
    if (a.h2 != b.h2) return a.h2 < b.h2;
    if (rest) {
      const int c = std::memcmp(column.Cell(a.at) + 12, column.Cell(b.at) + 12, rest);
      if (c) return c < 0;
    }
    return a.at < b.at;  // live places ascend with the record numbers
  };
  // Entry numbers, times and serials mostly come in record order already.
  if (count > 1 && !std::is_sorted(items.begin(), items.end(), less)) {
    RadixSort(items);
    if (rest) {
      // Runs that agree on the first twelve bytes, still in record order.
      for (auto run = items.begin(); run != items.end();) {
        auto end = run + 1;
        while (end != items.end() && end->h1 == run->h1 && end->h2 == run->h2) ++end;
        if (end - run > 1) std::stable_sort(run, end, rest_less);
        run = end;
      }
    }
  }
  std::vector<std::uint32_t> order(count);
  for (std::size_t i = 0; i < count; ++i) order[i] = items[i].at;
  return order;
}

// Pages the bottom-up build makes for `count` entries, every level included.
std::int32_t PagesFor(std::size_t count, std::size_t fill) {
  if (count == 0) return 0;
  std::int32_t pages = 0;
  for (;;) {
    // The first page takes `fill` entries; each further page one separator
    // that goes up and up to `fill` entries.
    const std::size_t more = count > fill + 1 ? (count - fill - 1 + fill) / (fill + 1) : 0;
    const std::size_t level = 1 + more;
    pages += static_cast<std::int32_t>(level);
    if (level == 1) return pages;
    count = more;
  }
}

}  // namespace

// Where the pages of a build go: an image of the rows of the index file they
// fall into (started from the file's bytes there, so whatever the build does
// not write stays), or straight to the file when the image would be too big.
class FileManager::PageSink {
 public:
  PageSink(FileManager& fm, FileBlock* fb) : fm_(fm), fb_(fb) {}

  bool Start(std::int32_t first_row, std::int32_t last_row) {
    if (last_row < first_row) return true;
    const auto slot = static_cast<std::uint64_t>(fb_->slot_size_);
    end_ = (static_cast<std::uint64_t>(last_row) + 1) * slot;
    const std::uint64_t bytes = static_cast<std::uint64_t>(last_row - first_row + 1) * slot;
    if (bytes < fm_.env_.index_image_from || bytes > kImageLimit) return true;
    base_ = static_cast<std::uint64_t>(first_row) * slot;
    // calloc: the zeros come from fresh pages, not from writing them.
    image_ = Image(static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(bytes), 1)), &std::free);
    if (!image_) return true;  // no memory for it: page by page
    image_size_ = static_cast<std::size_t>(bytes);
    std::uint64_t size = 0;
    if (std::int32_t e = fb_->ix_->Size(size)) return fm_.Fail(e, fb_);
    if (size > base_) {
      const std::uint64_t have = std::min<std::uint64_t>(size - base_, bytes);
      if (!fm_.Read(fb_, *fb_->ix_, base_,
                    std::span<std::uint8_t>(image_.get(), static_cast<std::size_t>(have))))
        return false;
    }
    return true;
  }
  bool InImage() const { return image_ != nullptr; }
  // Room for `length` bytes at `offset` of the index file; in the image,
  // several threads may fill their own places at once.
  std::span<std::uint8_t> Place(std::uint64_t offset, std::size_t length) {
    if (image_) return std::span<std::uint8_t>(image_.get() + (offset - base_), length);
    scratch_.assign(length, 0);
    scratch_offset_ = offset;
    return scratch_;
  }
  bool Placed() {
    if (image_) return true;
    return fm_.Write(fb_, *fb_->ix_, scratch_offset_, scratch_);
  }
  bool Finish() {
    if (!image_) {
      // Every slot up to the highest page must be whole in the file.
      std::uint64_t size = 0;
      if (std::int32_t e = fb_->ix_->Size(size)) return fm_.Fail(e, fb_);
      const std::uint8_t zero = 0;
      return size >= end_ || fm_.Write(fb_, *fb_->ix_, end_ - 1, std::span<const std::uint8_t>(&zero, 1));
    }
    constexpr std::size_t kRun = 8u << 20;
    for (std::size_t at = 0; at < image_size_; at += kRun) {
      const std::size_t n = std::min(kRun, image_size_ - at);
      if (!fm_.Write(fb_, *fb_->ix_, base_ + at, std::span<const std::uint8_t>(image_.get() + at, n)))
        return false;
    }
    return true;
  }

 private:
  FileManager& fm_;
  FileBlock* fb_;
  std::uint64_t base_ = 0, end_ = 0;
  using Image = std::unique_ptr<std::uint8_t, decltype(&std::free)>;
  Image image_{nullptr, &std::free};
  std::size_t image_size_ = 0;
  std::vector<std::uint8_t> scratch_;
  std::uint64_t scratch_offset_ = 0;
};

// Every index of the freshly opened, empty-indexed fileblock from its
// records. A record whose key a unique index already holds leaves the file,
// reported in the .MSG file (after the record file was copied to .BAK); the
// indexes built before that one never see it.
bool FileManager::BuildIndexes(FileBlock* fb) {
  const std::int32_t total = fb->header_.highest;
  if (fb->progress_) fb->progress_(0, 0, total);
  const int keys = fb->key_count_;
  const auto L = static_cast<std::size_t>(fb->record_length_);
  std::vector<KeyColumn> columns(static_cast<std::size_t>(keys) + 1);
  for (int k = 1; k <= keys; ++k) {
    columns[k].width = static_cast<std::size_t>(fb->keys_[k].length) + 1;
    columns[k].cells.reserve(static_cast<std::size_t>(std::max(total, 0)) * columns[k].width);
  }
  std::vector<std::int32_t> live;  // record number of each live place
  std::vector<std::uint8_t> chunk, record(static_cast<std::size_t>(fb->buffer_length_));
  for (std::int32_t first = 1; first <= total; first += kBuildChunkRecords) {
    const std::int32_t count = std::min<std::int32_t>(kBuildChunkRecords, total - first + 1);
    chunk.resize(static_cast<std::size_t>(count) * L);
    if (!Read(fb, *fb->dat_, static_cast<std::uint64_t>(first) * L, chunk)) return false;
    const std::size_t from = live.size();
    std::vector<std::uint32_t> at_in_chunk;
    for (std::int32_t i = 0; i < count; ++i) {
      // In place the free slots are still among the records.
      if (GetI32(ConstBytes(chunk.data() + static_cast<std::size_t>(i) * L, L), 0) != 0) continue;
      live.push_back(first + i);
      at_in_chunk.push_back(static_cast<std::uint32_t>(i));
    }
    for (int k = 1; k <= keys; ++k) columns[k].cells.resize(live.size() * columns[k].width, 0);
    KeyColumn* const column = columns.data();
    auto keys_of = [this, fb, keys, column, from](std::size_t j, ConstBytes fixed) {
      for (int k = 1; k <= keys; ++k) column[k].Put(from + j, BuildKey(fb, fixed, k));
    };
    if (fb->variable_) {
      // Keys come from the fixed section; a tail only matters to variable layouts.
      for (std::size_t j = 0; j < at_in_chunk.size(); ++j) {
        if (!ReadRecord(fb, live[from + j], record)) return false;
        keys_of(j, record);
      }
    } else {
      const std::size_t slices = std::max<std::size_t>(1, at_in_chunk.size() / kRecordsPerThread);
      const std::size_t places = at_in_chunk.size();
      const std::uint32_t* const at = at_in_chunk.data();
      const std::uint8_t* const bytes = chunk.data();
      ParallelFor(slices, Cores(), [keys_of, slices, places, at, bytes, L](std::size_t s) {
        for (std::size_t j = places * s / slices; j < places * (s + 1) / slices; ++j)
          keys_of(j, ConstBytes(bytes + static_cast<std::size_t>(at[j]) * L, L));
      });
    }
    if (fb->progress_ && !at_in_chunk.empty()) fb->progress_(1, live.back(), total);
  }
  // The unique indexes are sorted first: the records they refuse leave
  // every index. The others are sorted where their trees are built.
  const std::size_t threads = live.size() >= kRecordsPerThread ? Cores() : 1;
  std::vector<std::vector<std::uint32_t>> orders(static_cast<std::size_t>(keys) + 1);
  std::vector<int> unique_keys;
  for (int k = 1; k <= keys; ++k)
    if (!fb->keys_[k].duplicates) unique_keys.push_back(k);
  auto sort = [&columns, &orders, &live](int k) { orders[k] = SortedOrder(columns[k], live.size()); };
  ParallelFor(unique_keys.size(), threads, [&](std::size_t i) { sort(unique_keys[i]); });

  // A unique index keeps the first record of a key, as inserting in record
  // order would; the others leave the file, and no later index takes them.
  std::vector<bool> dropped(live.size(), false);
  std::vector<std::pair<int, std::uint32_t>> refused;
  for (int k = 1; k <= keys; ++k) {
    if (fb->keys_[k].duplicates) continue;
    std::int64_t kept = -1;
    for (std::uint32_t at : orders[k]) {
      if (dropped[at]) continue;
      if (kept >= 0 && columns[k].Equal(static_cast<std::size_t>(kept), at)) {
        refused.emplace_back(k, at);
        dropped[at] = true;
        continue;
      }
      kept = at;
    }
  }
  if (!refused.empty() && repairs_.back().copy.empty()) CopyToBackup(fb);
  for (const auto& [k, at] : refused) {
    const std::int32_t n = live[at];
    if (!ReadRecord(fb, n, record)) return false;
    ReportRebuildRefusal(fb, BuildKey(fb, record, k), k, n, record);
    if (!FreeSlot(fb, n)) return false;
  }
  const std::size_t kept_count = live.size() - refused.size();

  PageSink sink(*this, fb);
  std::int32_t first_row = INT32_MAX, last_row = 0;
  for (int k = 1; k <= keys; ++k) {
    const Descriptor& d = fb->descriptors_[k];
    const auto capacity = static_cast<std::size_t>(d.entries_per_page);
    const std::int32_t pages = PagesFor(kept_count, std::max<std::size_t>(1, capacity - capacity / 4));
    if (pages == 0) continue;
    first_row = std::min(first_row, d.page_count + 1);
    last_row = std::max(last_row, d.page_count + pages);
  }
  if (!sink.Start(first_row, last_row)) return false;
  auto prepare = [&](int k) {
    if (fb->keys_[k].duplicates) sort(k);
    std::erase_if(orders[k], [&dropped](std::uint32_t at) { return dropped[at]; });
  };
  if (sink.InImage()) {
    // Each index fills its own part of every slot of the image, so each is
    // sorted and built on one core while the others do the same.
    ParallelFor(static_cast<std::size_t>(keys), threads, [&](std::size_t i) {
      const int k = static_cast<int>(i) + 1;
      prepare(k);
      BulkLoad(fb, k, columns[k], live, orders[k], sink);
    });
  } else {
    ParallelFor(static_cast<std::size_t>(keys), threads,
                [&](std::size_t i) { prepare(static_cast<int>(i) + 1); });
    for (int k = 1; k <= keys; ++k)
      if (!BulkLoad(fb, k, columns[k], live, orders[k], sink)) return false;
  }
  if (kept_count > 0) fb->descriptors_dirty_ = true;
  for (int k = 1; k <= keys; ++k)
    fb->ix_slots_ = std::max<std::int64_t>(fb->ix_slots_, fb->descriptors_[k].page_count);
  if (!sink.Finish()) return false;
  if (fb->progress_) fb->progress_(2, total, total);
  return true;
}

// Builds the tree of an empty index from sorted entries, level by level:
// pages are filled to three quarters (room for the inserts to come), and the
// entry after each full page goes up as the separator to the next page. Only
// this index's descriptor changes, so indexes may be built side by side.
bool FileManager::BulkLoad(FileBlock* fb, int key, const KeyColumn& column,
                           const std::vector<std::int32_t>& records, const std::vector<std::uint32_t>& order,
                           PageSink& sink) {
  Descriptor& d = fb->descriptors_[key];
  if (order.empty()) return true;
  const auto capacity = static_cast<std::size_t>(d.entries_per_page);
  const std::size_t fill = std::max<std::size_t>(1, capacity - capacity / 4);
  const std::size_t stride = static_cast<std::size_t>(fb->keys_[key].length) + 9;
  struct Item {
    std::uint32_t at;
    std::int32_t child;
  };
  std::vector<Item> items;
  items.reserve(order.size());
  for (std::uint32_t at : order) items.push_back(Item{at, 0});
  std::int32_t leftmost = 0;
  for (;;) {
    std::vector<Item> separators;
    std::int32_t first_number = d.page_count + 1;
    std::size_t i = 0;
    std::int32_t first_child = leftmost;
    while (i < items.size()) {
      // A page takes `fill` entries, and the entry after it goes up as the
      // separator to the next page; a lone last entry stays on the page.
      const std::size_t remaining = items.size() - i;
      const std::size_t n = remaining == fill + 1 ? remaining : std::min(fill, remaining);
      const std::int32_t number = ++d.page_count;
      const std::span<std::uint8_t> page =
          sink.Place(fb->PageOffset(key, number), PageBytesUsed(fb->keys_[key].length, n));
      PutU16(page, 0, static_cast<std::uint16_t>(n));
      PutI32(page, 2, first_child);
      for (std::size_t e = 0; e < n; ++e) {
        // Cells in key order lie all over the column: ask for them ahead.
        if (i + e + kCellsAhead < items.size()) Prefetch(column.Cell(items[i + e + kCellsAhead].at));
        const Item& item = items[i + e];
        const std::size_t at = 6 + e * stride;
        PutI32(page, at, records[item.at]);
        PutI32(page, at + 4, item.child);
        const std::size_t length = column.Length(item.at);
        page[at + 8] = static_cast<std::uint8_t>(length);
        std::memcpy(page.data() + at + 9, column.Cell(item.at), length);
        std::memset(page.data() + at + 9 + length, 0, stride - 9 - length);
      }
      if (!sink.Placed()) return false;
      i += n;
      if (i < items.size()) {
        separators.push_back(Item{items[i].at, number + 1});
        first_child = items[i].child;
        ++i;
      }
    }
    if (d.page_count == first_number) {
      d.root = first_number;
      break;
    }
    items = std::move(separators);
    leftmost = first_number;
  }
  d.entry_count = static_cast<std::int32_t>(order.size());
  return true;
}

}  // namespace vek::store
