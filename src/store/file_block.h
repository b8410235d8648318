// One open data set: a record file of fixed-length records and an index file
// with one B-tree per key. Only the FileManager looks inside.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/record_bytes.h"
#include "store/disk_format.h"
#include "store/keys.h"
#include "store/os_file.h"

namespace vek::store {

// Given a record in the fileblock's layout and a key number (1..n), the key
// text of that index; longer results are cut to 50 bytes.
using KeyBuilder = std::function<Key(ConstBytes record, int key_number)>;

// Called by a rebuild at its start (phase 0), for each record (1) and at its end (2).
using RebuildProgress = std::function<void(int phase, std::int32_t done, std::int32_t total)>;

struct KeyDefinition {
  bool defined = false;
  int length = 0;
  bool duplicates = false;
  int auto_number_offset = -1;  // offset of a 32-bit field in the record, -1 for none
};

class FileBlock {
 public:
  const std::string& file_name() const { return file_name_; }
  const std::string& display_name() const { return display_name_; }
  int record_length() const { return record_length_; }
  int key_count() const { return key_count_; }
  std::int32_t current_record() const { return current_; }
  // The index and key text of the last positioning (0 and "" before one).
  int position_key() const { return position_key_; }
  const Key& position_text() const { return position_text_; }
  Bytes buffer() { return {buffer_, static_cast<std::size_t>(buffer_length_)}; }
  bool flush_after_write() const { return flush_after_write_; }
  void set_rebuild_progress(RebuildProgress p) { progress_ = std::move(p); }
  // Called after a serious failure of this fileblock, before all are closed.
  void set_shutdown_hook(std::function<void()> hook) { shutdown_hook_ = std::move(hook); }

 private:
  friend class FileManager;

  std::string Path(const char* extension) const { return file_name_ + extension; }
  int ExtraLength() const { return buffer_length_ - record_length_; }
  bool FilesOpen() const { return dat_ != nullptr; }
  // The record file, the index and the variable tails; the share file adds one.
  int FileHandles() const { return 1 + (key_count_ > 0 ? 1 : 0) + (variable_ ? 1 : 0); }
  int HandlesNeeded() const { return FileHandles() + (share_ ? 0 : 1); }
  // Where page `number` of index `key` starts in the index file.
  std::uint64_t PageOffset(int key, std::int32_t number) const {
    return static_cast<std::uint64_t>(number) * static_cast<std::uint64_t>(slot_size_) +
           static_cast<std::uint64_t>(key_offsets_[static_cast<std::size_t>(key)]);
  }

  std::uint64_t id_ = 0;
  std::string file_name_;
  std::string display_name_;
  int record_length_ = 0;
  int buffer_length_ = 0;
  std::vector<std::uint8_t> own_buffer_;
  std::uint8_t* buffer_ = nullptr;
  std::vector<std::uint8_t> last_read_;
  int key_count_ = 0;
  std::vector<KeyDefinition> keys_;  // index 1..n
  KeyBuilder builder_;
  int retry_limit_ = 32;
  bool rebuild_allowed_ = true;
  bool variable_ = false;
  bool flush_after_write_ = false;
  RebuildProgress progress_;
  std::function<void()> shutdown_hook_;

  // Position.
  std::int32_t current_ = -1;
  int position_key_ = 0;
  Key position_text_;
  std::int32_t position_record_ = -1;
  // Where the position's entry was found in a leaf, while no index page
  // changed since (the pool's change count): NextKey steps on from there.
  struct LeafPlace {
    int key = 0;
    std::int32_t page = 0;
    std::size_t index = 0;
    std::uint64_t changes = 0;
  };
  LeafPlace leaf_place_;
  // Records read ahead of a walk in slot order, or the whole record file for
  // a held walk in key order; they hold while nothing was written to the
  // record file (dat_writes_) and the files stay open.
  struct ReadAhead {
    std::int32_t first = 0, count = 0;
    std::int32_t last = -2;  // the record read before
    std::int32_t scattered = 0;  // steps of held walks read one by one
    std::uint64_t writes = 0;
    std::vector<std::uint8_t> bytes;
  };
  ReadAhead read_ahead_;
  std::uint64_t dat_writes_ = 0;

  // Files and what was read from them.
  std::unique_ptr<OsFile> dat_, ix_, var_;
  DatHeader header_;
  std::vector<Descriptor> descriptors_;  // index 1..n
  std::vector<std::int64_t> key_offsets_;  // O(k), index 1..n
  std::vector<std::uint8_t> slot0_;         // slot 0 of the index file as read
  std::int64_t slot_size_ = 0;
  std::int64_t ix_slots_ = 0;  // slots after slot 0 that the index file holds
  bool changing_ = false;      // being-changed flag is on disk
  bool ix_unsynced_ = false;    // written since the index file's last sync
  bool var_unsynced_ = false;   // the same for the variable tails
  bool index_suspect_ = false; // an entry was missing: the flag stays for the next open to rebuild
  bool descriptors_dirty_ = false;
  bool locked_ = false;
  std::uint64_t last_use_ = 0;

  // Sharing the files with other processes (file_manager_sharing.cpp).
  std::unique_ptr<OsFile> share_;  // null: this program is taken to be the files' only user
  std::uint64_t seen_counter_ = 0;  // the change counter the cached state belongs to
  // This process's share of the counter since the share file was opened
  // (`share_opening_` tells one opening from the next): every change it
  // counted, those that were adds, those that only made earlier ones
  // durable, and the repairs.
  std::uint64_t share_opening_ = 0;
  std::uint64_t counted_ours_ = 0, counted_adds_ = 0, counted_flushes_ = 0, repairs_ = 0;
  int access_ = 0;                  // 0 none, 1 shared, 2 exclusive for the running operation
  bool reading_held_ = false;       // the shared access outlasts the operations (HoldReading)
  bool holding_ = false;            // holds the holder byte: changes of ours are not durable yet
  bool open_held_ = false;          // holds the open byte
  bool wrote_ = false;              // the running operation has changed something
  bool damaged_ = false;            // a cheap check failed: repair before going on

  // Between BeginFill and EndFill: the keys that decide an add without an
  // index to look them up in (unique keys and the groups of automatic numbers).
  struct KeyLess {
    bool operator()(const Key& a, const Key& b) const;
  };
  struct Filling {
    std::map<int, std::set<Key, KeyLess>> unique;
    std::map<int, std::set<Key, KeyLess>> numbered;
  };
  std::unique_ptr<Filling> filling_;
};

}  // namespace vek::store
