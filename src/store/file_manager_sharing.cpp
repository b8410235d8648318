// Several processes on one fileblock's files: the share file, its locks and
// change counter, the refresh of what is cached, and the repair of a
// fileblock that is damaged while other processes have it open.
//
// The protocol (written up at the store's API in file_manager.h):
// - "<name>.LCK" holds an 8-byte change counter and an in-change byte. Its
//   bytes 0, 1 and 2 are lock ranges (the file is shorter than that on
//   purpose: nobody reads them, they only name locks).
// - Byte 0, access: every operation holds it, shared to read, exclusive to
//   change. Under it the files are whole: a change writes everything it made
//   (pages, descriptors, header) before it lets go, then counts one up.
// - Byte 1, holder: held shared by every process whose changes are not yet
//   durable (it set the being-changed byte and has not flushed). A marked
//   record file whose holder byte can be taken is the mark of a crash.
// - Byte 2, open: held shared while the files are open. Only a process that
//   can take it exclusively (nobody else has the files open) may replace the
//   record file (reorganise) or delete the files.
// - The in-change byte is set before the first write of a change and cleared
//   with the count: whoever finds it set under the exclusive access lock
//   knows that a process died in the middle of a change.
#include <algorithm>

#include "store/file_manager.h"

namespace vek::store {
namespace {
constexpr std::size_t kShareBytes = 9;  // counter (8) and the in-change byte
}  // namespace

void FileManager::OpenShare(FileBlock* fb) {
  if (fb->share_) return;
  // Without it (a folder that is read-only, say) the fileblock works as the
  // only user of its files, as before sharing existed; a path that cannot be
  // reached is asked about as for every file.
  std::unique_ptr<OsFile> share;
  Retry(fb, true, [&] {
    std::int32_t error = 0;
    share = fs_->Open(fb->Path(".LCK"), true, error);
    return error;
  });
  fb->share_ = std::move(share);
  if (fb->share_) ++handles_in_use_;
  fb->share_opening_ = ++share_openings_;
  fb->counted_ours_ = fb->counted_adds_ = fb->counted_flushes_ = fb->repairs_ = 0;
}

std::int32_t FileManager::LockShare(FileBlock* fb, std::uint64_t byte, bool exclusive) {
  return Retry(fb, true, [&] { return fb->share_->LockRange(byte, exclusive); });
}

bool FileManager::TryShareLock(FileBlock* fb, std::uint64_t byte) {
  if (!fb->share_) return true;
  return fb->share_->LockRange(byte, true) == 0;
}

bool FileManager::ReadShare(FileBlock* fb, std::uint64_t& counter, bool& in_change) {
  std::uint8_t raw[kShareBytes] = {};
  const IoResult r = fb->share_->ReadAt(0, raw);
  if (r.error) return Fail(r.error, fb);
  counter = 0;
  for (int i = 7; i >= 0; --i) counter = (counter << 8) | raw[i];
  in_change = raw[8] != 0;
  return true;
}

bool FileManager::WriteShare(FileBlock* fb, std::uint64_t counter, bool in_change) {
  std::uint8_t raw[kShareBytes];
  for (int i = 0; i < 8; ++i) raw[i] = static_cast<std::uint8_t>(counter >> (8 * i));
  raw[8] = in_change ? 1 : 0;
  return Write(fb, *fb->share_, 0, raw);
}

// Takes the access lock for the running operation and brings the cached
// state up to what is on disk; a change that another process left half
// made is repaired first. Released by End().
bool FileManager::Access(FileBlock* fb, bool exclusive) {
  if (!fb->share_) return !fb->damaged_ || RepairInPlace(fb);
  const int want = exclusive ? 2 : 1;
  if (fb->access_ >= want) return true;
  if (fb->access_ == 1) {  // no upgrade in place: two readers upgrading would wait for each other
    fb->share_->UnlockRange(kAccessByte);
    fb->access_ = 0;
  }
  if (std::int32_t e = LockShare(fb, kAccessByte, exclusive)) return Fail(e, fb);
  if (std::find(accessed_.begin(), accessed_.end(), fb) == accessed_.end()) accessed_.push_back(fb);
  fb->access_ = want;
  std::uint64_t counter = 0;
  bool in_change = false;
  if (!ReadShare(fb, counter, in_change)) return false;
  if (counter != fb->seen_counter_) {
    if (fb->FilesOpen() && !Refresh(fb)) return false;
    fb->seen_counter_ = counter;
  }
  if (!in_change && !fb->damaged_) return true;
  if (!fb->FilesOpen()) {  // the opening finds the files as they are
    fb->damaged_ = fb->damaged_ || in_change;
    return true;
  }
  if (!exclusive) return Access(fb, true);
  return RepairInPlace(fb);
}

// The end of an operation: what a change made is written out whole and
// counted, so other processes drop what they cached; then the lock goes.
void FileManager::ReleaseAccess(FileBlock* fb) {
  if (fb->access_ == 0) return;
  if (fb->access_ == 2 && fb->wrote_ && status_ <= 2 && fb->FilesOpen() && WriteThrough(fb)) {
    if (WriteShare(fb, fb->seen_counter_ + 1, false)) {
      ++fb->seen_counter_;
      ++fb->counted_ours_;
      if (operation_ == Operation::kAdd && status_ == 0) ++fb->counted_adds_;
      if (operation_ == Operation::kFlush || operation_ == Operation::kClose) ++fb->counted_flushes_;
    }
  }
  // After a serious failure the in-change byte stays: the next process repairs.
  fb->wrote_ = false;
  fb->share_->UnlockRange(kAccessByte);
  fb->access_ = 0;
}

void FileManager::ReleaseAllAccess() {
  std::vector<FileBlock*> held;
  for (FileBlock* fb : accessed_) {
    if ((fb->reading_held_ && fb->access_ == 1) || (fb->filling_ && fb->access_ == 2)) {
      held.push_back(fb);
      continue;
    }
    ReleaseAccess(fb);
  }
  accessed_ = std::move(held);
}

bool FileManager::HoldReading(FileBlock* fb) {
  if (!fb || stopped_) return false;
  if (fb->reading_held_) return true;
  // Taken between operations: a failure here is no operation's failure (the
  // first read meets it again and reports it). Files not opened yet are
  // opened as that read would open them; a hold asked for right after the
  // fileblock was opened would otherwise never be had.
  const int status = status_;
  const std::int32_t error = error_;
  const std::vector<FailureEntry> failures = failures_;
  const auto restore = [&] { status_ = status, error_ = error, failures_ = failures; };
  const bool opened = EnsureOpen(fb);
  restore();
  if (!opened || !fb->share_) return false;
  const bool ok = Access(fb, false);
  restore();
  if (!ok) {
    ReleaseAccess(fb);
    accessed_.erase(std::remove(accessed_.begin(), accessed_.end(), fb), accessed_.end());
    return false;
  }
  fb->reading_held_ = true;
  return true;
}

void FileManager::EndReading(FileBlock* fb) {
  if (!fb || !fb->reading_held_) return;
  fb->reading_held_ = false;
  if (fb->access_ == 0 || !fb->share_) return;
  ReleaseAccess(fb);
  accessed_.erase(std::remove(accessed_.begin(), accessed_.end(), fb), accessed_.end());
}

// The first write of a change: from here until the change is written out,
// a process that dies leaves the in-change byte behind.
bool FileManager::NoteWriting(FileBlock* fb) {
  if (fb->wrote_ || !fb->share_) return true;
  if (!WriteShare(fb, fb->seen_counter_, true)) return false;
  fb->wrote_ = true;
  if (!fb->holding_) {
    if (std::int32_t e = LockShare(fb, kHolderByte, false)) return Fail(e, fb);
    fb->holding_ = true;
  }
  return true;
}

void FileManager::LetGoOfHolder(FileBlock* fb) {
  if (fb->holding_ && fb->share_) fb->share_->UnlockRange(kHolderByte);
  fb->holding_ = false;
}

bool FileManager::HoldOpen(FileBlock* fb) {
  if (!fb->share_) return true;
  // Shared, also when it was exclusive for a rebuild: others may open now.
  if (std::int32_t e = LockShare(fb, kOpenByte, false)) return Fail(e, fb);
  fb->open_held_ = true;
  return true;
}

void FileManager::LetGoOfOpen(FileBlock* fb) {
  if (fb->open_held_ && fb->share_) fb->share_->UnlockRange(kOpenByte);
  fb->open_held_ = false;
}

// True when no other process has the files open: the caller then holds
// the open byte exclusively until LetGoOfOpen or HoldOpen turns it shared.
bool FileManager::AloneWithFiles(FileBlock* fb) {
  if (!fb->share_) return true;
  if (fb->share_->LockRange(kOpenByte, true) != 0) return false;
  fb->open_held_ = true;
  return true;
}

// Waits (with the lock retry and question) until no other process has the
// files open; the caller then holds the open byte exclusively.
bool FileManager::WaitUntilAlone(FileBlock* fb) {
  if (std::int32_t e = LockShare(fb, kOpenByte, true)) return Fail(e, fb);
  fb->open_held_ = true;
  return true;
}

// The files were deleted or replaced: others drop what they cached, and the
// open byte is let go.
void FileManager::CountReplacedFiles(FileBlock* fb) {
  if (fb->share_ && WriteShare(fb, fb->seen_counter_ + 1, false)) ++fb->seen_counter_, ++fb->counted_ours_;
  LetGoOfOpen(fb);
}

// A marked record file is a crash only when no live process holds the
// holder byte and, when others have the files open, a change was cut short.
bool FileManager::MarkIsCrash(FileBlock* fb) {
  if (!fb->share_) return true;
  if (!TryShareLock(fb, kHolderByte)) return false;  // a live writer has not flushed yet
  fb->share_->UnlockRange(kHolderByte);
  if (fb->holding_) fb->share_->LockRange(kHolderByte, false);  // ours again, shared
  std::uint64_t counter = 0;
  bool in_change = false;
  if (!ReadShare(fb, counter, in_change)) return true;
  if (in_change) return true;
  // Processes only die, the machine kept running: what they wrote is in
  // the files. After a power cut nobody has the files open any more.
  const bool alone = fb->share_->LockRange(kOpenByte, true) == 0;
  if (alone) fb->share_->UnlockRange(kOpenByte);
  return alone;
}

// Re-reads the record file header and the index descriptors after another
// process changed the files; pages cached from before are dropped.
bool FileManager::Refresh(FileBlock* fb) {
  pool_->ForgetAll(fb);  // between operations nothing in it is dirty
  ++fb->dat_writes_;     // and records read ahead are another process's past
  std::array<std::uint8_t, kDatHeaderSize> raw;
  if (!Read(fb, *fb->dat_, 0, raw)) return false;
  const DatHeader h = DecodeDatHeader(raw);
  std::uint64_t dat_size = 0;
  if (std::int32_t e = fb->dat_->Size(dat_size)) return Fail(e, fb);
  const auto L = static_cast<std::uint64_t>(fb->record_length_);
  fb->header_ = h;
  fb->changing_ = h.being_changed != 0;
  if (h.record_length != fb->record_length_ || h.key_count != fb->key_count_ || h.highest < 0 ||
      h.deleted_count < 0 || h.deleted_count > h.highest ||
      dat_size < (static_cast<std::uint64_t>(h.highest) + 1) * L ||
      (h.first_deleted != kNoLink && (h.first_deleted < 1 || h.first_deleted > h.highest))) {
    fb->damaged_ = true;
    return true;
  }
  if (fb->key_count_ == 0) return true;
  if (!Read(fb, *fb->ix_, 0, fb->slot0_)) return false;
  std::uint64_t ix_size = 0;
  if (std::int32_t e = fb->ix_->Size(ix_size)) return Fail(e, fb);
  fb->ix_slots_ = static_cast<std::int64_t>(ix_size / static_cast<std::uint64_t>(fb->slot_size_)) - 1;
  for (int k = 1; k <= fb->key_count_; ++k) {
    const Descriptor d = DecodeDescriptor(std::span<const std::uint8_t, kDescriptorSize>(
        fb->slot0_.data() + fb->key_offsets_[k], kDescriptorSize));
    const Descriptor& before = fb->descriptors_[k];
    if (d.page_size != before.page_size || d.entries_per_page != before.entries_per_page ||
        !PlausibleDescriptor(d, h) || d.page_count > fb->ix_slots_) {
      fb->damaged_ = true;
      return true;
    }
    fb->descriptors_[k] = d;
  }
  fb->descriptors_dirty_ = false;
  return true;
}

bool FileManager::PlausibleDescriptor(const Descriptor& d, const DatHeader& h) const {
  return d.page_count >= 0 && d.root >= 0 && d.root <= d.page_count && d.free_count >= 0 &&
         d.free_count <= d.page_count && d.entry_count >= 0 &&
         (d.first_free == kNoLink || (d.first_free >= 1 && d.first_free <= d.page_count)) &&
         (d.root != 0 || d.entry_count == 0) && d.entry_count == h.highest - h.deleted_count;
}

// Everything a change made goes into the files (not yet durable: that is
// the flush's work), so that the next process finds them whole.
bool FileManager::WriteThrough(FileBlock* fb) {
  for (PageFrame* f : pool_->DirtyFrames(fb))
    if (!WritePage(*f)) return false;
  if (fb->descriptors_dirty_) {
    // The descriptors that changed, from the first to the last, in one write
    // (the bytes between them are slot 0 as read, so nothing else moves).
    std::int64_t from = -1, to = -1;
    std::array<std::uint8_t, kDescriptorSize> encoded;
    for (int k = 1; k <= fb->key_count_; ++k) {
      EncodeDescriptor(fb->descriptors_[k], encoded);
      std::uint8_t* at = fb->slot0_.data() + fb->key_offsets_[k];
      if (std::equal(encoded.begin(), encoded.end(), at)) continue;
      std::copy(encoded.begin(), encoded.end(), at);
      if (from < 0) from = fb->key_offsets_[k];
      to = fb->key_offsets_[k] + static_cast<std::int64_t>(kDescriptorSize);
    }
    if (from >= 0 && !Write(fb, *fb->ix_, static_cast<std::uint64_t>(from),
                            std::span<const std::uint8_t>(fb->slot0_.data() + from, static_cast<std::size_t>(to - from))))
      return false;
    fb->descriptors_dirty_ = false;
  }
  return WriteHeader(fb);
}

// A damaged fileblock that other processes may have open: the record file
// stays where it is (their handles keep pointing at it, their record
// numbers stay right), its free chain is threaded anew and every index is
// built again from the records. Runs under the exclusive access lock.
bool FileManager::RepairInPlace(FileBlock* fb) {
  ++fb->repairs_;
  StartRepairNote(fb);
  fb->damaged_ = false;
  pool_->ForgetAll(fb);
  if (!NoteWriting(fb)) return false;
  if (!ThreadSlots(fb)) return false;
  fs_->Remove(fb->Path(".IX"));
  if (fb->key_count_ > 0 && !WriteEmptyIndex(fb)) return false;
  const bool open_held = fb->open_held_;
  CloseFilesKeepingShare(fb);
  rebuilding_ = true;
  const OpenOutcome opened = TryOpenFiles(fb);
  rebuilding_ = false;
  fb->open_held_ = open_held;
  if (opened != OpenOutcome::kOpened) return status_ > 0 ? false : Fail(kReorganisationFailed, fb);
  fb->wrote_ = true;
  if (!BuildIndexes(fb)) return false;
  fb->changing_ = true;
  return FlushFiles(fb) && Sync(fb, *fb->dat_);
}

// The record file in place: its last slot when cut short, and records whose
// in-use mark is neither 0 nor a link of the free chain, are written to the
// .MSG report (the file is kept as .BAK first); the free chain is threaded
// anew through every slot that is not in use.
bool FileManager::ThreadSlots(FileBlock* fb) {
  const auto L = static_cast<std::uint64_t>(fb->record_length_);
  std::int32_t error = 0;
  auto dat = fs_->Open(fb->Path(".DAT"), false, error);
  if (!dat) return Fail(error ? error : kFileNotFound, fb);
  std::uint64_t size = 0;
  if (std::int32_t e = dat->Size(size)) return Fail(e, fb);
  std::array<std::uint8_t, kDatHeaderSize> raw{};
  if (size >= kDatHeaderSize && !Read(fb, *dat, 0, raw)) return false;
  const DatHeader old = DecodeDatHeader(raw);
  const auto slots = static_cast<std::int64_t>(size / L);
  if (slots > INT32_MAX) return Fail(kReorganisationFailed, fb);
  const std::vector<bool> chained = FreeChainOf(fb, *dat, old, slots);
  std::vector<std::int32_t> free_slots;
  std::vector<std::uint8_t> record(static_cast<std::size_t>(L));
  bool copied = false;
  auto keep_copy = [&] {
    if (!copied) CopyToBackup(fb);
    copied = true;
  };
  for (std::int64_t n = 1; n < slots; ++n) {
    if (!Read(fb, *dat, static_cast<std::uint64_t>(n) * L, record)) return false;
    const std::int32_t mark = GetI32(record, 0);
    const bool in_chain = chained[static_cast<std::size_t>(n)];
    if (mark == 0 && !in_chain) continue;
    if (mark == 0 || !in_chain) {  // see Reorganise: a mark that contradicts the chain
      keep_copy();
      ReportDroppedRecord(fb, "Ref: " + std::to_string(n) + " in-use mark damaged", record);
    }
    free_slots.push_back(static_cast<std::int32_t>(n));
  }
  if (size % L != 0 && slots >= 1) {
    keep_copy();
    std::vector<std::uint8_t> tail(static_cast<std::size_t>(size % L));
    if (!Read(fb, *dat, static_cast<std::uint64_t>(slots) * L, tail)) return false;
    ReportDroppedRecord(fb, "Ref: " + std::to_string(slots) + " cut short", tail);
  }
  DatHeader h;
  h.record_length = fb->record_length_;
  h.key_count = fb->key_count_;
  h.being_changed = 1;
  h.highest = static_cast<std::int32_t>(std::max<std::int64_t>(slots - 1, 0));
  std::int32_t next = kNoLink;
  for (std::int32_t n : free_slots) {  // ascending: the lowest slot ends up first in line
    std::uint8_t link[4];
    PutI32(link, 0, next);
    if (!Write(fb, *dat, static_cast<std::uint64_t>(n) * L, link)) return false;
    next = n;
  }
  std::reverse(free_slots.begin(), free_slots.end());
  h.first_deleted = next;
  h.deleted_count = static_cast<std::int32_t>(free_slots.size());
  std::vector<std::uint8_t> slot0(static_cast<std::size_t>(std::min<std::uint64_t>(L, std::max<std::uint64_t>(size, L))), 0);
  if (slots >= 1 && !Read(fb, *dat, 0, slot0)) return false;
  EncodeDatHeader(h, std::span<std::uint8_t, kDatHeaderSize>(slot0.data(), kDatHeaderSize));
  return Write(fb, *dat, 0, slot0) && Sync(fb, *dat);
}

// Which slots the old free chain reaches (following it only while it makes sense).
std::vector<bool> FileManager::FreeChainOf(FileBlock* fb, OsFile& dat, const DatHeader& h, std::int64_t slots) {
  std::vector<bool> chained(static_cast<std::size_t>(std::max<std::int64_t>(slots, 1)), false);
  const auto L = static_cast<std::uint64_t>(fb->record_length_);
  std::int32_t at = h.first_deleted;
  for (std::int64_t steps = 0; at >= 1 && at < slots && !chained[static_cast<std::size_t>(at)] && steps < slots;
       ++steps) {
    chained[static_cast<std::size_t>(at)] = true;
    std::uint8_t link[4];
    const IoResult r = dat.ReadAt(static_cast<std::uint64_t>(at) * L, link);
    if (r.error || r.bytes < 4) break;
    at = GetI32(link, 0);
  }
  return chained;
}

void FileManager::ReportDroppedRecord(FileBlock* fb, const std::string& what, ConstBytes bytes) {
  std::string line = what + " not kept\r\nData record deleted - Dump follows\r\n";
  line.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  line += "\r\n";
  fs_->Append(fb->Path(".MSG"), line);
  ++repairs_.back().records_dropped;
}

// The record file as it was before a repair dropped something: "<name>.BAK".
void FileManager::CopyToBackup(FileBlock* fb) {
  std::int32_t error = 0;
  auto from = fs_->Open(fb->Path(".DAT"), false, error);
  if (!from) return;
  fs_->Remove(fb->Path(".BAK"));
  auto to = fs_->Open(fb->Path(".BAK"), true, error);
  if (!to) return;
  std::vector<std::uint8_t> chunk(1 << 16);
  for (std::uint64_t at = 0;; at += chunk.size()) {
    const IoResult r = from->ReadAt(at, chunk);
    if (r.error || r.bytes == 0) break;
    if (to->WriteAt(at, std::span<const std::uint8_t>(chunk.data(), r.bytes)).bytes < r.bytes) return;
    if (r.bytes < chunk.size()) break;
  }
  to->Sync();
  repairs_.back().copy = fb->Path(".BAK");
}

}  // namespace vek::store
