#include "store/page_pool.h"

namespace vek::store {

PageFrame* PagePool::Find(FileBlock* fb, int key, std::int32_t number) {
  auto it = index_.find({fb, key, number});
  if (it == index_.end()) return nullptr;
  frames_.splice(frames_.begin(), frames_, it->second);
  return &*it->second;
}

PageFrame* PagePool::Add(FileBlock* fb, int key, std::int32_t number, Page&& page) {
  // Evict from the cold end, skipping pinned frames.
  auto it = frames_.end();
  while (frames_.size() >= capacity_ && it != frames_.begin()) {
    --it;
    if (it->pins > 0) continue;
    if (it->dirty && !write_back_(*it)) return nullptr;
    SetDirty(*it, false);
    index_.erase({it->fb, it->key, it->number});
    it = frames_.erase(it);
  }
  frames_.push_front(PageFrame{fb, key, number, std::move(page), false, 0, this});
  index_[{fb, key, number}] = frames_.begin();
  return &frames_.front();
}

PageFrame* PagePool::Claim(FileBlock* fb, int key, std::int32_t number) {
  if (frames_.size() >= capacity_) {
    for (auto it = frames_.end(); it != frames_.begin();) {
      --it;
      if (it->pins > 0) continue;
      if (it->dirty && !write_back_(*it)) return nullptr;
      SetDirty(*it, false);
      // The frame, its list node and its index node all move to the new page.
      auto node = index_.extract(Id{it->fb, it->key, it->number});
      node.key() = Id{fb, key, number};
      it->fb = fb;
      it->key = key;
      it->number = number;
      frames_.splice(frames_.begin(), frames_, it);
      index_.insert(std::move(node));
      return &*it;
    }
  }
  return Add(fb, key, number, Page{});
}

void PagePool::Forget(FileBlock* fb, int key, std::int32_t number) {
  ++changes_;
  auto it = index_.find({fb, key, number});
  if (it == index_.end()) return;
  SetDirty(*it->second, false);
  frames_.erase(it->second);
  index_.erase(it);
}

void PagePool::ForgetAll(FileBlock* fb) {
  ++changes_;
  for (auto it = frames_.begin(); it != frames_.end();) {
    if (it->fb == fb) {
      SetDirty(*it, false);
      index_.erase({it->fb, it->key, it->number});
      it = frames_.erase(it);
    } else {
      ++it;
    }
  }
}

std::vector<PageFrame*> PagePool::DirtyFrames(FileBlock* fb) {
  std::vector<PageFrame*> out;
  auto it = dirty_.find(fb);
  if (it == dirty_.end()) return out;
  for (const auto& [key, number] : it->second) out.push_back(&*index_.at({fb, key, number}));
  return out;
}

void PagePool::SetDirty(PageFrame& frame, bool dirty) {
  if (dirty) ++changes_;
  if (frame.dirty == dirty) return;
  frame.dirty = dirty;
  if (dirty) {
    dirty_[frame.fb].insert({frame.key, frame.number});
    return;
  }
  auto it = dirty_.find(frame.fb);
  if (it == dirty_.end()) return;
  it->second.erase({frame.key, frame.number});
  if (it->second.empty()) dirty_.erase(it);
}

}  // namespace vek::store
