// The page pool's hand-over of a frame to a page about to be read: which
// frame goes, that a dirty one is written back first, and what stays when the
// write-back fails.
#include "store/page_pool.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>
#include <vector>

namespace vek::store {
namespace {

IndexPage PageOf(std::int32_t record) {
  IndexPage p;
  p.Reset(12, 62);
  p.Insert(0, record, 0, "K" + std::to_string(record));
  return p;
}

FileBlock* const kBlock = nullptr;

TEST(PagePoolTest, AClaimTakesTheLeastRecentlyUsedUnpinnedFrameAfterWritingItBack) {
  std::vector<std::int32_t> written;
  bool refuse = false;
  PagePool pool(3, [&](PageFrame& f) {
    if (refuse) return false;
    written.push_back(f.number);
    return true;
  });
  pool.SetDirty(*pool.Add(kBlock, 1, 1, PageOf(1)), true);
  pool.Add(kBlock, 1, 2, PageOf(2));
  pool.Add(kBlock, 2, 1, PageOf(3));
  // Page 1 of key 1 is pinned and then the coldest; key 2's page comes next.
  PinnedPage pinned(pool.Find(kBlock, 1, 1));
  ASSERT_NE(pool.Find(kBlock, 2, 1), nullptr);
  ASSERT_NE(pool.Find(kBlock, 1, 2), nullptr);

  PageFrame* claimed = pool.Claim(kBlock, 3, 7);
  ASSERT_NE(claimed, nullptr);
  EXPECT_EQ(pool.Find(kBlock, 2, 1), nullptr);  // the one that went
  EXPECT_EQ(pool.Find(kBlock, 3, 7), claimed);
  EXPECT_EQ(claimed->key, 3);
  EXPECT_EQ(claimed->number, 7);
  EXPECT_FALSE(claimed->dirty);
  EXPECT_EQ(pool.size(), 3u);
  EXPECT_TRUE(written.empty());  // it was clean

  // Now the dirty, pinned page is let go and is the coldest: written first.
  pinned = PinnedPage();
  ASSERT_NE(pool.Find(kBlock, 1, 2), nullptr);
  ASSERT_NE(pool.Find(kBlock, 3, 7), nullptr);
  PageFrame* second = pool.Claim(kBlock, 3, 8);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(written, std::vector<std::int32_t>{1});
  EXPECT_EQ(pool.Find(kBlock, 1, 1), nullptr);
  EXPECT_TRUE(pool.DirtyFrames(kBlock).empty());

  // A write-back that fails gives no frame and keeps the dirty page.
  pool.SetDirty(*pool.Find(kBlock, 1, 2), true);
  ASSERT_NE(pool.Find(kBlock, 3, 7), nullptr);
  ASSERT_NE(pool.Find(kBlock, 3, 8), nullptr);
  refuse = true;
  EXPECT_EQ(pool.Claim(kBlock, 4, 1), nullptr);
  ASSERT_NE(pool.Find(kBlock, 1, 2), nullptr);
  EXPECT_TRUE(pool.Find(kBlock, 1, 2)->dirty);
  EXPECT_EQ(pool.Find(kBlock, 4, 1), nullptr);
  EXPECT_EQ(pool.DirtyFrames(kBlock).size(), 1u);
}

TEST(PagePoolTest, AClaimBelowTheCapacityAddsAnEmptyFrame) {
  PagePool pool(4, [](PageFrame&) { return true; });
  pool.Add(kBlock, 1, 1, PageOf(1));
  PageFrame* f = pool.Claim(kBlock, 1, 2);
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->page.empty());
  EXPECT_EQ(pool.size(), 2u);
  EXPECT_NE(pool.Find(kBlock, 1, 1), nullptr);
}

}  // namespace
}  // namespace vek::store

namespace vek::store {
namespace {

// Tens of thousands of pages of two fileblocks added, found, claimed and
// forgotten in random order: the pool finds exactly the pages it holds,
// each with its own contents, however their ids crowd its table.
TEST(PagePoolTest, RandomAddsClaimsFindsAndForgetsAgreeWithAMap) {
  std::mt19937 rng(7);
  alignas(8) static char blocks[2][8];
  const auto block = [&](unsigned i) { return reinterpret_cast<FileBlock*>(&blocks[i % 2]); };
  // Many ids over a large table, the same with evictions, and ids from a
  // wide range of which only a few dozen are held at a time, so that they
  // go round a small table again and again.
  const struct {
    std::size_t capacity;
    unsigned keys, numbers;
    int steps;
    std::size_t few;
  } rounds[] = {{100000, 27, 800, 60000, 0}, {300, 27, 800, 60000, 0}, {100000, 27, 100000, 300000, 24}};
  for (const auto& [capacity, keys, numbers, steps, few] : rounds) {
    SCOPED_TRACE(std::to_string(capacity) + " " + std::to_string(numbers));
    PagePool pool(capacity, [](PageFrame&) { return true; });
    std::map<std::tuple<FileBlock*, int, std::int32_t>, std::int32_t> held;  // what a full pool keeps
    std::int32_t next = 0;
    for (int step = 0; step < steps; ++step) {
      FileBlock* fb = block(rng());
      const int key = 1 + static_cast<int>(rng() % keys);
      const auto number = static_cast<std::int32_t>(1 + rng() % numbers);
      const auto id = std::make_tuple(fb, key, number);
      PageFrame* found = pool.Find(fb, key, number);
      const auto it = held.find(id);
      if (found) {
        ASSERT_NE(it, held.end());
        ASSERT_EQ(found->page.size(), 1u);
        EXPECT_EQ(found->page.Record(0), it->second);
        EXPECT_EQ(found->fb, fb);
        EXPECT_EQ(found->key, key);
        EXPECT_EQ(found->number, number);
      } else if (capacity > 50000) {
        ASSERT_EQ(it, held.end());  // nothing was evicted
      }
      if (few && held.size() >= few) {
        auto victim = held.begin();
        std::advance(victim, static_cast<std::ptrdiff_t>(rng() % held.size()));
        const auto [vb, vk, vn] = victim->first;
        pool.Forget(vb, vk, vn);
        EXPECT_EQ(pool.Find(vb, vk, vn), nullptr);
        held.erase(victim);
        continue;
      }
      switch (rng() % 3) {
        case 0:
          if (!found) {
            held[id] = ++next;
            ASSERT_NE(pool.Add(fb, key, number, PageOf(next)), nullptr);
          }
          break;
        case 1:
          if (!found) {
            PageFrame* f = pool.Claim(fb, key, number);
            ASSERT_NE(f, nullptr);
            f->page = PageOf(held[id] = ++next);
          }
          break;
        default:
          pool.Forget(fb, key, number);
          held.erase(id);
          EXPECT_EQ(pool.Find(fb, key, number), nullptr);
      }
      ASSERT_LE(pool.size(), capacity);
    }
    if (capacity > 50000) {
      EXPECT_EQ(pool.size(), held.size());
    }
  }
}

}  // namespace
}  // namespace vek::store
