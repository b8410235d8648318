#include "store/store_check.h"

#include <algorithm>
#include <array>
#include <functional>
#include <set>
#include <sstream>

#include "base/record_bytes.h"
#include "store/disk_format.h"

namespace vek::store {
namespace {

bool ReadWhole(OsFileSystem& fs, const std::string& path, std::vector<std::uint8_t>& out) {
  std::int32_t error = 0;
  auto f = fs.Open(path, false, error);
  if (!f) return false;
  std::uint64_t size = 0;
  if (f->Size(size)) return false;
  out.assign(static_cast<std::size_t>(size), 0);
  return f->ReadAt(0, out).bytes == out.size();
}

class Checker {
 public:
  Checker(CheckResult& r, std::size_t max) : r_(r), max_(max) {}
  void Problem(const std::string& text) {
    r_.clean = false;
    if (r_.problems.size() < max_) r_.problems.push_back(text);
  }

 private:
  CheckResult& r_;
  std::size_t max_;
};

std::string KeyText(const Key& k) {
  std::string out;
  for (unsigned char c : k) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

}  // namespace

std::string CheckResult::Describe() const {
  std::ostringstream out;
  out << "records in use " << records_in_use << ", deleted " << deleted << ", record length " << record_length
      << "\n";
  for (std::size_t k = 0; k < keys.size(); ++k) {
    out << "key " << k + 1 << ": length " << keys[k].length
        << (keys[k].duplicates ? " duplicates" : " unique") << ", entries " << keys[k].entries << ", depth "
        << keys[k].depth << ", pages " << keys[k].pages << ", free " << keys[k].free_pages << "\n";
  }
  for (const std::string& p : problems) out << "problem: " << p << "\n";
  out << (clean ? "clean" : "NOT clean") << "\n";
  return out.str();
}

namespace {

// The record file as read, with what its check found out.
struct RecordFile {
  std::vector<std::uint8_t> bytes;
  DatHeader header;
  std::size_t length = 0;
  std::vector<std::int32_t> in_use;
  ConstBytes Slot(std::int32_t n) const {
    return ConstBytes(bytes.data() + static_cast<std::size_t>(n) * length, length);
  }
};

// The index file as read and the layout of its slots.
struct IndexFile {
  std::vector<std::uint8_t> bytes;
  std::vector<Descriptor> descriptors;  // index 1..n
  std::vector<std::int64_t> offset;
  std::vector<int> key_length;
  std::int64_t slot_size = 0;
  ConstBytes Page(int key, std::int32_t page) const {
    return ConstBytes(bytes.data() + static_cast<std::size_t>(page) * static_cast<std::size_t>(slot_size) +
                          static_cast<std::size_t>(offset[static_cast<std::size_t>(key)]),
                      static_cast<std::size_t>(descriptors[static_cast<std::size_t>(key)].page_size));
  }
};

// Header, deleted chain and the records in use; false when nothing more can be checked.
bool CheckRecordFile(OsFileSystem& fs, const std::string& name, Checker& c, CheckResult& r, RecordFile& f) {
  std::vector<std::uint8_t>& dat = f.bytes;
  if (!ReadWhole(fs, name + ".DAT", dat)) {
    c.Problem(name + ".DAT cannot be read");
    return false;
  }
  r.files_found = true;
  if (dat.size() < kDatHeaderSize) {
    c.Problem("record file shorter than its header");
    return false;
  }
  const DatHeader h =
      DecodeDatHeader(std::span<const std::uint8_t, kDatHeaderSize>(dat.data(), kDatHeaderSize));
  r.record_length = h.record_length;
  r.key_count = h.key_count;
  r.being_changed = h.being_changed != 0;
  if (h.being_changed) c.Problem("record file is marked as being changed (the next open rebuilds it)");
  if (h.record_length < kMinRecordLength) {
    c.Problem("record length " + std::to_string(h.record_length) + " below 21");
    return false;
  }
  if (h.key_count < 0 || h.key_count > kMaxKeys) {
    c.Problem("number of keys " + std::to_string(h.key_count) + " outside 0..110");
    return false;
  }
  const auto L = static_cast<std::size_t>(h.record_length);
  if (h.highest < 0 || dat.size() < (static_cast<std::size_t>(h.highest) + 1) * L) {
    c.Problem("highest record number " + std::to_string(h.highest) + " does not fit a file of " +
              std::to_string(dat.size()) + " bytes");
    return false;
  }
  f.header = h;
  f.length = L;
  auto slot = [&](std::int32_t n) { return f.Slot(n); };

  // Deleted chain.
  std::vector<char> deleted(static_cast<std::size_t>(h.highest) + 1, 0);
  std::int32_t at = h.first_deleted, steps = 0;
  while (at != kNoLink) {
    if (at < 1 || at > h.highest) {
      c.Problem("deleted chain leaves the file at " + std::to_string(at));
      break;
    }
    if (deleted[at]) {
      c.Problem("deleted chain runs in a circle at record " + std::to_string(at));
      break;
    }
    deleted[at] = 1;
    ++steps;
    at = GetI32(slot(at), 0);
  }
  if (steps != h.deleted_count)
    c.Problem("deleted chain holds " + std::to_string(steps) + " records, the header says " +
              std::to_string(h.deleted_count));
  std::vector<std::int32_t>& in_use = f.in_use;
  for (std::int32_t n = 1; n <= h.highest; ++n) {
    const bool zero = GetI32(slot(n), 0) == 0;
    if (zero && deleted[n]) c.Problem("record " + std::to_string(n) + " is in the deleted chain but in use");
    if (!zero && !deleted[n]) c.Problem("record " + std::to_string(n) + " is neither in use nor deleted");
    if (zero && !deleted[n]) in_use.push_back(n);
  }
  r.records_in_use = static_cast<std::int32_t>(in_use.size());
  r.deleted = h.deleted_count;
  return true;
}

// The descriptors of the index file; false when its layout cannot be read.
bool ReadIndexLayout(OsFileSystem& fs, const std::string& name, const DatHeader& h, Checker& c,
                     IndexFile& f) {
  std::vector<std::uint8_t>& ix = f.bytes;
  if (!ReadWhole(fs, name + ".IX", ix)) {
    c.Problem(name + ".IX cannot be read");
    return false;
  }
  std::vector<Descriptor>& desc = f.descriptors;
  std::vector<std::int64_t>& offset = f.offset;
  std::vector<int>& key_length = f.key_length;
  desc.resize(static_cast<std::size_t>(h.key_count) + 1);
  offset.resize(static_cast<std::size_t>(h.key_count) + 1);
  key_length.resize(static_cast<std::size_t>(h.key_count) + 1);
  std::int64_t& slot_size = f.slot_size;
  std::int32_t max_pages = 0;
  for (int k = 1; k <= h.key_count; ++k) {
    offset[k] = slot_size;
    if (ix.size() < static_cast<std::size_t>(slot_size) + kDescriptorSize) {
      c.Problem("index file too short for the descriptor of key " + std::to_string(k));
      return false;
    }
    desc[k] = DecodeDescriptor(
        std::span<const std::uint8_t, kDescriptorSize>(ix.data() + slot_size, kDescriptorSize));
    const Descriptor& d = desc[k];
    const int e = d.entries_per_page;
    if (e < 1 || e > kEntriesPerPage || d.page_size <= 6 || (d.page_size - 6) % e != 0) {
      c.Problem("descriptor of key " + std::to_string(k) + " has impossible sizes");
      return false;
    }
    key_length[k] = (d.page_size - 6) / e - 9;
    if (key_length[k] < 1 || key_length[k] > 50) {
      c.Problem("key " + std::to_string(k) + " has length " + std::to_string(key_length[k]));
      return false;
    }
    if (d.page_count < 0) {
      c.Problem("descriptor of key " + std::to_string(k) + " counts " + std::to_string(d.page_count) + " pages");
      return false;
    }
    max_pages = std::max(max_pages, d.page_count);
    slot_size += d.page_size;
  }
  if (static_cast<std::int64_t>(ix.size()) < (static_cast<std::int64_t>(max_pages) + 1) * slot_size) {
    c.Problem("index file holds fewer slots than its page counts say");
    return false;
  }

  return true;
}

// The free page chain of index `k`; the number of free pages it holds.
std::int32_t CheckFreePages(const IndexFile& ix, int k, std::vector<char>& seen, Checker& c) {
  const Descriptor& d = ix.descriptors[static_cast<std::size_t>(k)];
  const std::string kn = "key " + std::to_string(k) + ": ";
  std::int32_t p = d.first_free, free_steps = 0;
  while (p != kNoLink) {
    if (p < 1 || p > d.page_count) {
      c.Problem(kn + "free page chain leaves the index at " + std::to_string(p));
      break;
    }
    if (seen[p]) {
      c.Problem(kn + "free page chain runs in a circle at page " + std::to_string(p));
      break;
    }
    seen[p] = 2;
    ++free_steps;
    p = GetI32(ix.Page(k, p), 0);
  }
  if (free_steps != d.free_count)
    c.Problem(kn + "free page chain holds " + std::to_string(free_steps) + " pages, the descriptor says " +
              std::to_string(d.free_count));
  return free_steps;
}

// Index `k`: free pages, the tree with its order and bounds, and every
// record in use entered exactly once.
CheckedKey CheckIndex(const RecordFile& rf, const IndexFile& ix, int k, const KeyBuilder* builder,
                      Checker& c) {
  const DatHeader& h = rf.header;
  const Descriptor& d = ix.descriptors[static_cast<std::size_t>(k)];
  const std::vector<int>& key_length = ix.key_length;
  const std::string kn = "key " + std::to_string(k) + ": ";
  CheckedKey ck;
  ck.length = key_length[static_cast<std::size_t>(k)];
  ck.duplicates = d.duplicates != 0;
  ck.entries_per_page = d.entries_per_page;
  ck.free_pages = d.free_count;
  auto page_bytes = [&](std::int32_t p) { return ix.Page(k, p); };
  auto slot = [&](std::int32_t n) { return rf.Slot(n); };
  std::vector<char> seen(static_cast<std::size_t>(d.page_count) + 1, 0);
  const std::int32_t free_steps = CheckFreePages(ix, k, seen, c);

  // The tree, depth first, with the bounds each subtree must keep.
  std::vector<std::int32_t> count(static_cast<std::size_t>(h.highest) + 1, 0);
  std::int32_t entries = 0, pages = 0;
  int leaf_depth = -1;
  struct Bound {
    bool set = false;
    Key key;
    std::int32_t record = 0;
  };
  auto less = [&](const Key& ak, std::int32_t ar, const Key& bk, std::int32_t br) {
    const int cmp = CompareKeys(ak, bk);
    return cmp != 0 ? cmp < 0 : ar < br;
  };
  std::function<void(std::int32_t, int, const Bound&, const Bound&)> walk =
      [&](std::int32_t page, int depth, const Bound& lo, const Bound& hi) {
        const std::string pn = kn + "page " + std::to_string(page) + ": ";
        if (page < 1 || page > d.page_count) return c.Problem(pn + "outside the index");
        if (seen[page] == 2) return c.Problem(pn + "is in use and in the free chain");
        if (seen[page]) return c.Problem(pn + "is reached twice");
        if (depth > 40) return c.Problem(pn + "lies deeper than any tree");
        seen[page] = 1;
        ++pages;
        Page pg;
        if (!DecodePage(page_bytes(page), key_length[k], d.entries_per_page, pg))
          return c.Problem(pn + "entry count or key lengths out of range");
        const bool leaf = pg.first_child == 0;
        for (const Entry& e : pg.entries)
          if ((e.child == 0) != leaf) return c.Problem(pn + "mixes leaf and inner links");
        if (leaf) {
          if (leaf_depth < 0) leaf_depth = depth;
          if (leaf_depth != depth)
            c.Problem(pn + "leaf at depth " + std::to_string(depth) + ", others at " +
                      std::to_string(leaf_depth));
        }
        Bound left = lo;
        for (std::size_t i = 0; i <= pg.entries.size(); ++i) {
          Bound right = hi;
          if (i < pg.entries.size()) right = {true, pg.entries[i].key, pg.entries[i].record};
          if (!leaf) walk(pg.Child(i), depth + 1, left, right);
          if (i == pg.entries.size()) break;
          const Entry& e = pg.entries[i];
          ++entries;
          if (left.set && !less(left.key, left.record, e.key, e.record))
            c.Problem(pn + "entry " + std::to_string(i) + " out of order (" + KeyText(e.key) + ")");
          if (left.set && !ck.duplicates && left.key == e.key)
            c.Problem(pn + "unique key twice: " + KeyText(e.key));
          if (hi.set && !less(e.key, e.record, hi.key, hi.record))
            c.Problem(pn + "entry " + std::to_string(i) + " above its parent's bound");
          if (e.record < 1 || e.record > h.highest || GetI32(slot(e.record), 0) != 0) {
            c.Problem(pn + "entry points at record " + std::to_string(e.record) + ", which is not in use");
          } else {
            ++count[e.record];
            if (builder) {
              Key expected = (*builder)(slot(e.record), k);
              if (expected.size() > static_cast<std::size_t>(key_length[k])) expected.resize(key_length[k]);
              if (expected != e.key)
                c.Problem(pn + "key text " + KeyText(e.key) + " of record " + std::to_string(e.record) +
                          " should be " + KeyText(expected));
            }
          }
          left = right;
        }
      };
  if (d.root != 0) walk(d.root, 1, {}, {});
  ck.entries = entries;
  ck.depth = leaf_depth < 0 ? 0 : leaf_depth;
  ck.pages = pages;
  if (entries != d.entry_count)
    c.Problem(kn + "holds " + std::to_string(entries) + " entries, the descriptor says " +
              std::to_string(d.entry_count));
  if (pages + free_steps != d.page_count)
    c.Problem(kn + std::to_string(pages) + " pages in use and " + std::to_string(free_steps) +
              " free, the descriptor counts " + std::to_string(d.page_count));
  for (std::int32_t n : rf.in_use)
    if (count[n] != 1)
      c.Problem(kn + "record " + std::to_string(n) + " appears " + std::to_string(count[n]) + " times");
  return ck;
}

}  // namespace

CheckResult CheckFiles(OsFileSystem& fs, const std::string& name, const KeyBuilder* builder,
                       std::size_t max_problems) {
  CheckResult r;
  r.clean = true;
  Checker c(r, max_problems);
  RecordFile records;
  if (!CheckRecordFile(fs, name, c, r, records) || records.header.key_count == 0) return r;
  IndexFile index;
  if (!ReadIndexLayout(fs, name, records.header, c, index)) return r;
  for (int k = 1; k <= records.header.key_count; ++k)
    r.keys.push_back(CheckIndex(records, index, k, builder, c));
  return r;
}

}  // namespace vek::store

namespace vek::store {

std::vector<std::pair<std::int32_t, Key>> SalvageKeys(OsFileSystem& fs, const std::string& name, int key) {
  std::vector<std::pair<std::int32_t, Key>> out;
  std::vector<std::uint8_t> dat, ix;
  if (!ReadWhole(fs, name + ".DAT", dat) || !ReadWhole(fs, name + ".IX", ix) || dat.size() < kDatHeaderSize)
    return out;
  const DatHeader h =
      DecodeDatHeader(std::span<const std::uint8_t, kDatHeaderSize>(dat.data(), kDatHeaderSize));
  if (key < 1 || key > h.key_count || h.key_count > kMaxKeys) return out;
  std::int64_t slot_size = 0, offset = 0;
  std::vector<Descriptor> desc(static_cast<std::size_t>(h.key_count) + 1);
  for (int k = 1; k <= h.key_count; ++k) {
    if (ix.size() < static_cast<std::size_t>(slot_size) + kDescriptorSize) return out;
    desc[k] = DecodeDescriptor(
        std::span<const std::uint8_t, kDescriptorSize>(ix.data() + slot_size, kDescriptorSize));
    if (desc[k].page_size <= 6 || desc[k].page_size > 100000) return out;
    if (k == key) offset = slot_size;
    slot_size += desc[k].page_size;
  }
  const Descriptor& d = desc[key];
  if (d.entries_per_page < 1 || (d.page_size - 6) % d.entries_per_page) return out;
  const int length = (d.page_size - 6) / d.entries_per_page - 9;
  if (length < 1 || length > 50) return out;
  std::vector<char> seen(static_cast<std::size_t>(std::max(d.page_count, 0)) + 1, 0);
  std::vector<std::int32_t> todo = {d.root};
  while (!todo.empty()) {
    const std::int32_t p = todo.back();
    todo.pop_back();
    if (p < 1 || p > d.page_count || seen[p]) continue;
    seen[p] = 1;
    const std::size_t at =
        static_cast<std::size_t>(p) * static_cast<std::size_t>(slot_size) + static_cast<std::size_t>(offset);
    if (at + static_cast<std::size_t>(d.page_size) > ix.size()) continue;
    Page page;
    if (!DecodePage(ConstBytes(ix.data() + at, static_cast<std::size_t>(d.page_size)), length,
                    d.entries_per_page, page))
      continue;
    todo.push_back(page.first_child);
    for (const Entry& e : page.entries) {
      out.emplace_back(e.record, e.key);
      todo.push_back(e.child);
    }
  }
  return out;
}

bool RecordFileFits(OsFileSystem& fs, const std::string& dat_path, int record_length, int key_count) {
  std::int32_t error = 0;
  std::unique_ptr<OsFile> file = fs.Open(dat_path, false, error);
  if (!file) return true;
  std::array<std::uint8_t, kDatHeaderSize> raw{};
  const IoResult r = file->ReadAt(0, raw);
  if (r.error != 0) return false;
  if (r.bytes < raw.size()) return true;
  const DatHeader h = DecodeDatHeader(raw);
  return h.record_length == record_length && h.key_count == key_count;
}

}  // namespace vek::store
