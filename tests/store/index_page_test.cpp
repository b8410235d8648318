// Index pages changed where they lie in memory must hold exactly the bytes
// the file layout gives their entries: the count and first child, then for
// each entry its record, child, key length and key, zeros after the key.
#include "store/index_page.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace vek::store {
namespace {

struct Model {
  std::int32_t first_child = 0;
  std::vector<Entry> entries;
};

void Put32(std::vector<std::uint8_t>& out, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(u >> shift));
}

std::vector<std::uint8_t> LaidOut(const Model& m, int key_length) {
  std::vector<std::uint8_t> out{static_cast<std::uint8_t>(m.entries.size() & 0xFF),
                                static_cast<std::uint8_t>(m.entries.size() >> 8)};
  Put32(out, m.first_child);
  for (const Entry& e : m.entries) {
    Put32(out, e.record);
    Put32(out, e.child);
    out.push_back(static_cast<std::uint8_t>(e.key.size()));
    out.insert(out.end(), e.key.begin(), e.key.end());
    out.insert(out.end(), static_cast<std::size_t>(key_length) - e.key.size(), 0);
  }
  return out;
}

void ExpectSame(const IndexPage& page, const Model& m, int key_length) {
  const auto used = page.Used();
  ASSERT_EQ(std::vector<std::uint8_t>(used.begin(), used.end()), LaidOut(m, key_length));
  ASSERT_EQ(page.size(), m.entries.size());
  for (std::size_t i = 0; i <= m.entries.size(); ++i)
    ASSERT_EQ(page.Child(i), i == 0 ? m.first_child : m.entries[i - 1].child);
  for (std::size_t i = 0; i < m.entries.size(); ++i) {
    ASSERT_EQ(page.KeyAt(i), m.entries[i].key);
    ASSERT_EQ(page.Record(i), m.entries[i].record);
  }
}

TEST(IndexPageTest, ChangesInPlaceLeaveTheBytesOfTheFileLayout) {
  std::mt19937 rng(7);
  for (const int key_length : {1, 6, 22, 50}) {
    const int per_page = key_length == 50 ? 5 : 62;
    auto key = [&] {
      std::string k(rng() % (key_length + 1), '\0');
      for (char& c : k) c = static_cast<char>(rng() % 256);  // zeros and high bytes too
      return k;
    };
    auto number = [&] { return static_cast<std::int32_t>(rng()); };  // negative ones too
    IndexPage page, other;
    Model m, o;
    page.Reset(key_length, per_page);
    other.Reset(key_length, per_page);
    for (int step = 0; step < 4000; ++step) {
      const std::size_t n = m.entries.size();
      switch (rng() % 7) {
        case 0:
        case 1:
          if (n <= static_cast<std::size_t>(per_page)) {  // one over a page's entries, as before a split
            const std::size_t at = rng() % (n + 1);
            const Entry e{number(), number(), key()};
            page.Insert(at, e.record, e.child, e.key);
            m.entries.insert(m.entries.begin() + static_cast<std::ptrdiff_t>(at), e);
          }
          break;
        case 2:
          if (n > 0) {
            const std::size_t at = rng() % n;
            page.Erase(at);
            m.entries.erase(m.entries.begin() + static_cast<std::ptrdiff_t>(at));
          }
          break;
        case 3:
          if (n > 0) {  // a longer key shorter again: the old key's bytes must not stay
            const std::size_t at = rng() % n;
            const std::int32_t record = number();
            const std::string k = key();
            page.SetRecordAndKey(at, record, k);
            m.entries[at].record = record;
            m.entries[at].key = k;
          }
          break;
        case 4: {
          const std::size_t at = rng() % (n + 1);
          const std::int32_t child = number();
          page.SetChild(at, child);
          (at == 0 ? m.first_child : m.entries[at - 1].child) = child;
          break;
        }
        case 5: {  // a split's tail goes to the other page and comes back, as in a merge
          const std::size_t from = rng() % (n + 1);
          page.MoveTailTo(from, other);
          o.entries.insert(o.entries.end(), m.entries.begin() + static_cast<std::ptrdiff_t>(from),
                           m.entries.end());
          m.entries.resize(from);
          ExpectSame(other, o, key_length);
          if (o.entries.size() + m.entries.size() <= static_cast<std::size_t>(per_page) + 1) {
            other.MoveTailTo(0, page);
            m.entries.insert(m.entries.end(), o.entries.begin(), o.entries.end());
            o.entries.clear();
          }
          break;
        }
        default:
          if (n > 0) {
            const std::size_t keep = rng() % n;
            page.Truncate(keep);
            m.entries.resize(keep);
          }
      }
      ExpectSame(page, m, key_length);
      ExpectSame(other, o, key_length);
    }
  }
}

TEST(IndexPageTest, APageReadIsRefusedWhenItCannotBeOneAndHasItsKeyPaddingCleared) {
  const Model m{9, {{1, 2, "ab"}, {3, 4, "abcde"}}};
  const std::vector<std::uint8_t> file = LaidOut(m, 5);
  const std::size_t page_size = 6 + 3 * 14;  // three entries a page, a page's bytes as read
  auto read = [&](IndexPage& page, const std::vector<std::uint8_t>& bytes) {
    const auto storage = page.Storage(5, 3, page_size);
    std::fill(storage.begin(), storage.end(), 0xEE);  // the frame's old page
    std::copy(bytes.begin(), bytes.end(), storage.begin());
    return page.Accept();
  };
  IndexPage page;
  page.Reset(22, 62);  // the frame held a page of another index before
  page.Insert(0, 5, 0, std::string(22, 'x'));
  auto dirty = file;
  dirty[6 + 9 + 3] = 'Q';  // a byte after a two-byte key
  ASSERT_TRUE(read(page, dirty));
  ExpectSame(page, m, 5);
  page.Insert(2, 7, 8, "z");  // the bytes after the read page are the frame's old ones
  ExpectSame(page, Model{9, {{1, 2, "ab"}, {3, 4, "abcde"}, {7, 8, "z"}}}, 5);

  auto bad = file;
  bad[0] = 4;  // more entries than a page of this index holds
  EXPECT_FALSE(read(page, bad));
  bad = file;
  bad[0] = 0;
  EXPECT_FALSE(read(page, bad));
  bad = file;
  bad[6 + 14 + 8] = 6;  // a key longer than the index's
  EXPECT_FALSE(read(page, bad));
}

}  // namespace
}  // namespace vek::store
