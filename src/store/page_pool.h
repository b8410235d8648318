// Index pages held in memory for all fileblocks together. A page in use by
// the running operation is pinned and never evicted; when every frame is
// pinned the pool grows for the moment and shrinks again on the next load.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <set>
#include <unordered_map>
#include <vector>

#include "store/index_page.h"

namespace vek::store {

class FileBlock;

class PagePool;

struct PageFrame {
  FileBlock* fb = nullptr;
  int key = 0;
  std::int32_t number = 0;
  IndexPage page;
  bool dirty = false;  // set and cleared through the pool, which lists the dirty frames
  int pins = 0;
  PagePool* pool = nullptr;
};

class PagePool {
 public:
  // Writes a dirty frame back; false stops the eviction (the failure is the
  // writer's to report).
  using WriteBack = std::function<bool(PageFrame&)>;

  PagePool(std::size_t capacity, WriteBack write_back)
      : capacity_(capacity), write_back_(std::move(write_back)) {}

  PageFrame* Find(FileBlock* fb, int key, std::int32_t number);
  // Makes room (evicting least recently used unpinned frames) and adds a
  // frame; nullptr when a write-back failed.
  PageFrame* Add(FileBlock* fb, int key, std::int32_t number, IndexPage&& page);
  // A frame for a page about to be read into it: a full pool hands over its
  // least recently used unpinned frame, whose page keeps its storage (and
  // its old contents until overwritten); nullptr when a write-back failed.
  PageFrame* Claim(FileBlock* fb, int key, std::int32_t number);
  void Forget(FileBlock* fb, int key, std::int32_t number);
  void ForgetAll(FileBlock* fb);
  // The dirty frames of a fileblock, by key and page number; found without
  // looking at the other frames, so a large pool costs a flush nothing.
  std::vector<PageFrame*> DirtyFrames(FileBlock* fb);
  void SetDirty(PageFrame& frame, bool dirty);
  std::size_t size() const { return frames_.size(); }
  // Counts every change to any index page the pool knows of (and pages
  // dropped): a walk's remembered place in a leaf holds while it stays.
  std::uint64_t changes() const { return changes_; }
  void NoteChange() { ++changes_; }
  std::size_t capacity() const { return capacity_; }

 private:
  struct Id {
    FileBlock* fb;
    int key;
    std::int32_t number;
    bool operator==(const Id&) const = default;
  };
  using List = std::list<PageFrame>;
  // Where each page's frame is: one open-addressed table of ids, so a look-up
  // (a hundred and more per change of a large log) costs one cache line
  // rather than a bucket and a node.
  class FrameIndex {
   public:
    List::iterator* Find(const Id& id);
    List::iterator& At(const Id& id) { return *Find(id); }  // the id must be there
    void Put(const Id& id, List::iterator frame);
    void Erase(const Id& id);

   private:
    struct Slot {
      Id id{nullptr, 0, 0};
      List::iterator frame;
      bool used = false;
    };
    std::size_t Home(const Id& id) const;
    void Grow();
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
  };

  std::size_t capacity_;
  std::uint64_t changes_ = 0;
  WriteBack write_back_;
  List frames_;  // most recently used first
  FrameIndex index_;
  std::unordered_map<FileBlock*, std::set<std::pair<int, std::int32_t>>> dirty_;
};

// Keeps a frame pinned for the lifetime of the handle.
class PinnedPage {
 public:
  PinnedPage() = default;
  explicit PinnedPage(PageFrame* f) : frame_(f) {
    if (frame_) ++frame_->pins;
  }
  PinnedPage(const PinnedPage&) = delete;
  PinnedPage& operator=(const PinnedPage&) = delete;
  PinnedPage(PinnedPage&& o) noexcept : frame_(o.frame_) { o.frame_ = nullptr; }
  PinnedPage& operator=(PinnedPage&& o) noexcept {
    if (this != &o) {
      Release();
      frame_ = o.frame_;
      o.frame_ = nullptr;
    }
    return *this;
  }
  ~PinnedPage() { Release(); }

  explicit operator bool() const { return frame_ != nullptr; }
  IndexPage* operator->() const { return &frame_->page; }
  IndexPage& operator*() const { return frame_->page; }
  std::int32_t number() const { return frame_->number; }
  void MarkDirty() const { frame_->pool->SetDirty(*frame_, true); }

 private:
  void Release() {
    if (frame_) --frame_->pins;
    frame_ = nullptr;
  }
  PageFrame* frame_ = nullptr;
};

}  // namespace vek::store
