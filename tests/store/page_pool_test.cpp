// The page pool's hand-over of a frame to a page about to be read: which
// frame goes, that a dirty one is written back first, and what stays when the
// write-back fails.
#include "store/page_pool.h"

#include <gtest/gtest.h>

#include <vector>

namespace vek::store {
namespace {

Page PageOf(std::int32_t record) {
  Page p;
  p.entries.push_back(Entry{record, 0, Key("K" + std::to_string(record))});
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
  EXPECT_TRUE(f->page.entries.empty());
  EXPECT_EQ(pool.size(), 2u);
  EXPECT_NE(pool.Find(kBlock, 1, 1), nullptr);
}

}  // namespace
}  // namespace vek::store
