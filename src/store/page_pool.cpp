#include "store/page_pool.h"

namespace vek::store {

PageFrame* PagePool::Find(FileBlock* fb, int key, std::int32_t number) {
  List::iterator* at = index_.Find({fb, key, number});
  if (!at) return nullptr;
  frames_.splice(frames_.begin(), frames_, *at);
  return &**at;
}

PageFrame* PagePool::Add(FileBlock* fb, int key, std::int32_t number, IndexPage&& page) {
  // Evict from the cold end, skipping pinned frames.
  auto it = frames_.end();
  while (frames_.size() >= capacity_ && it != frames_.begin()) {
    --it;
    if (it->pins > 0) continue;
    if (it->dirty && !write_back_(*it)) return nullptr;
    SetDirty(*it, false);
    index_.Erase({it->fb, it->key, it->number});
    it = frames_.erase(it);
  }
  frames_.push_front(PageFrame{fb, key, number, std::move(page), false, 0, this});
  index_.Put({fb, key, number}, frames_.begin());
  return &frames_.front();
}

PageFrame* PagePool::Claim(FileBlock* fb, int key, std::int32_t number) {
  if (frames_.size() >= capacity_) {
    for (auto it = frames_.end(); it != frames_.begin();) {
      --it;
      if (it->pins > 0) continue;
      if (it->dirty && !write_back_(*it)) return nullptr;
      SetDirty(*it, false);
      // The frame and its list node move to the new page.
      index_.Erase(Id{it->fb, it->key, it->number});
      it->fb = fb;
      it->key = key;
      it->number = number;
      frames_.splice(frames_.begin(), frames_, it);
      index_.Put(Id{fb, key, number}, it);
      return &*it;
    }
  }
  return Add(fb, key, number, IndexPage{});
}

void PagePool::Forget(FileBlock* fb, int key, std::int32_t number) {
  ++changes_;
  List::iterator* at = index_.Find({fb, key, number});
  if (!at) return;
  const List::iterator frame = *at;
  SetDirty(*frame, false);
  index_.Erase({fb, key, number});
  frames_.erase(frame);
}

void PagePool::ForgetAll(FileBlock* fb) {
  ++changes_;
  for (auto it = frames_.begin(); it != frames_.end();) {
    if (it->fb == fb) {
      SetDirty(*it, false);
      index_.Erase({it->fb, it->key, it->number});
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
  for (const auto& [key, number] : it->second) out.push_back(&*index_.At({fb, key, number}));
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

namespace vek::store {

std::size_t PagePool::FrameIndex::Home(const Id& id) const {
  std::uint64_t h = reinterpret_cast<std::uintptr_t>(id.fb);
  h ^= (static_cast<std::uint64_t>(static_cast<std::uint32_t>(id.key)) << 32) |
       static_cast<std::uint32_t>(id.number);
  h *= 0x9E3779B97F4A7C15ull;
  h ^= h >> 29;
  return static_cast<std::size_t>(h) & (slots_.size() - 1);
}

PagePool::List::iterator* PagePool::FrameIndex::Find(const Id& id) {
  if (slots_.empty()) return nullptr;
  for (std::size_t i = Home(id);; i = (i + 1) & (slots_.size() - 1)) {
    Slot& s = slots_[i];
    if (!s.used) return nullptr;
    if (s.id == id) return &s.frame;
  }
}

void PagePool::FrameIndex::Put(const Id& id, List::iterator frame) {
  if (List::iterator* at = Find(id)) {
    *at = frame;
    return;
  }
  // At most half full: probes stay short.
  if ((used_ + 1) * 2 > slots_.size()) Grow();
  std::size_t i = Home(id);
  while (slots_[i].used) i = (i + 1) & (slots_.size() - 1);
  slots_[i] = Slot{id, frame, true};
  ++used_;
}

// Linear probing without tombstones: the entries after the hole that would
// not be found past it any more move back into it.
void PagePool::FrameIndex::Erase(const Id& id) {
  if (slots_.empty()) return;
  const std::size_t mask = slots_.size() - 1;
  std::size_t hole = Home(id);
  while (slots_[hole].used && !(slots_[hole].id == id)) hole = (hole + 1) & mask;
  if (!slots_[hole].used) return;
  for (std::size_t i = (hole + 1) & mask; slots_[i].used; i = (i + 1) & mask) {
    const std::size_t home = Home(slots_[i].id);
    // Moves back when its home does not lie cyclically in (hole, i].
    const bool stays = hole < i ? (home > hole && home <= i) : (home > hole || home <= i);
    if (stays) continue;
    slots_[hole] = slots_[i];
    hole = i;
  }
  slots_[hole].used = false;
  --used_;
}

void PagePool::FrameIndex::Grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(std::max<std::size_t>(64, old.size() * 2), Slot{});
  used_ = 0;
  for (const Slot& s : old)
    if (s.used) Put(s.id, s.frame);
}

}  // namespace vek::store
