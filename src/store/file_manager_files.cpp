// Opening, creating, flushing, closing and rebuilding a fileblock's files.
#include <algorithm>
#include <climits>

#include "store/file_manager.h"

namespace vek::store {
namespace {
constexpr std::int64_t kCopyChunkRecords = 256;
}  // namespace

// Before the files are opened for the first time: a 0-byte record file goes,
// an ".ALT" file left by another program of the suite takes the record file's
// place (its index is stale then), and a reorganisation that was cut short is
// finished or undone:
//   .REO and .SAV   the new .DAT was not complete: .SAV goes back to .DAT;
//   .REO alone      it died before the old .DAT was moved: nothing to undo;
//   .SAV alone      the new .DAT was complete: .SAV goes, a new .VAR moves in.
// Every I/O error here is ignored; the open that follows reports what is left.
void FileManager::RecoverInterruptedWork(FileBlock* fb) {
  const std::string dat = fb->Path(".DAT"), ix = fb->Path(".IX"), alt = fb->Path(".ALT");
  const std::string sav = fb->Path(".SAV"), reo = fb->Path(".REO"), van = fb->Path(".VAN");
  if (fs_->Exists(dat)) {
    std::int32_t error = 0;
    std::uint64_t size = 1;
    if (auto f = fs_->Open(dat, false, error)) f->Size(size);
    if (size == 0) fs_->Remove(dat);
  }
  if (fs_->Exists(alt)) {
    fs_->Rename(alt, dat);
    fs_->Remove(ix);
  }
  const bool reorganising = fs_->Exists(reo);
  if (reorganising && fs_->Exists(sav)) {
    fs_->Rename(sav, dat);
    fs_->Remove(ix);
    fs_->Remove(van);
  } else if (reorganising) {
    fs_->Remove(van);
  } else if (fs_->Exists(sav)) {
    if (fs_->Exists(van)) fs_->Rename(van, fb->Path(".VAR"));
    fs_->Remove(sav);
    fs_->Remove(ix);
  }
  if (reorganising) fs_->Remove(reo);
}

bool FileManager::EnsureOpen(FileBlock* fb) {
  if (!fb) return Fail(kFileBlockNotFound, nullptr);  // a file that could not be opened
  fb->last_use_ = ++use_clock_;
  if (fb->FilesOpen()) return true;
  bool ok = !fb->display_name_.empty() && fb->buffer_ && fb->record_length_ >= kMinRecordLength;
  if (fb->key_count_ > kMaxKeys || fb->key_count_ < 0) return Fail(kConfigurationTooManyKeys, fb);
  for (int k = 1; ok && k <= fb->key_count_; ++k)
    ok = fb->keys_[k].defined && fb->keys_[k].length >= 1 && fb->keys_[k].length <= 50;
  if (!ok) return Fail(kConfigurationBad, fb);
  return MakeRoomForHandles(fb) && OpenFiles(fb);
}

bool FileManager::MakeRoomForHandles(FileBlock* fb) {
  while (handles_in_use_ + fb->HandlesNeeded() > open_file_limit_) {
    FileBlock* coldest = nullptr;
    for (auto& other : blocks_) {
      if (other.get() == fb || !other->FilesOpen() || other->locked_ || other->access_ > 0) continue;
      if (!coldest || other->last_use_ < coldest->last_use_) coldest = other.get();
    }
    if (!coldest) return Fail(kCannotFreeHandles, fb);
    CloseFiles(coldest, true);
    if (status_ > 2) return false;
  }
  return true;
}

// The first use of the files: under the exclusive access lock, so that no
// other process is in the middle of a change, a reorganisation or a
// creation while the files are looked at, repaired or made.
bool FileManager::OpenFiles(FileBlock* fb) {
  OpenShare(fb);
  if (fb->share_) {
    if (std::int32_t e = LockShare(fb, kAccessByte, true)) return Fail(e, fb);
    if (std::find(accessed_.begin(), accessed_.end(), fb) == accessed_.end()) accessed_.push_back(fb);
    fb->access_ = 2;
    bool in_change = false;
    if (!ReadShare(fb, fb->seen_counter_, in_change)) return false;
    if (in_change) fb->damaged_ = true;  // a process died in the middle of a change
  }
  RecoverInterruptedWork(fb);
  const OpenOutcome outcome = fb->damaged_ ? OpenOutcome::kNeedsRebuild : TryOpenFiles(fb);
  switch (outcome) {
    case OpenOutcome::kOpened: return HoldOpen(fb);
    case OpenOutcome::kFailed: return false;
    case OpenOutcome::kMissing:
      if (!fb->rebuild_allowed_) return Fail(kFileNotFound, fb);
      if (lock_question_ && !lock_question_(fb->display_name_, LockQuestion::kCreateFiles))
        return Fail(kFileNotFound, fb);
      if (!CreateFiles(fb)) return false;
      break;
    case OpenOutcome::kNeedsRebuild:
      if (!fb->rebuild_allowed_) return Fail(kIndexHeaderBad, fb);
      if (lock_question_ && !lock_question_(fb->display_name_, LockQuestion::kRebuildIndex))
        return Fail(kIndexHeaderBad, fb);
      if (!RebuildWhereSafe(fb)) return false;
      break;
  }
  fb->damaged_ = false;
  if (fb->FilesOpen()) return HoldOpen(fb);  // repaired in place
  if (TryOpenFiles(fb) == OpenOutcome::kOpened) return HoldOpen(fb);
  return status_ > 0 ? false : Fail(kIndexHeaderBad, fb);
}

// Alone with the files, the rebuild reorganises the record file; while
// other processes have them open it repairs them where they are.
bool FileManager::RebuildWhereSafe(FileBlock* fb) {
  if (!AloneWithFiles(fb)) return RepairInPlace(fb);
  for (auto& other : blocks_)
    if (other.get() != fb) CloseFiles(other.get(), true);
  return status_ <= 2 && Rebuild(fb);
}

// Opening or locking a fileblock's file starts its retries near the limit.
std::int32_t FileManager::OpenWithRetry(FileBlock* fb, const char* extension, bool create,
                                        std::unique_ptr<OsFile>& file) {
  return Retry(fb, true, [&] {
    std::int32_t e = 0;
    file = fs_->Open(fb->Path(extension), create, e);
    return e;
  });
}

FileManager::OpenOutcome FileManager::TryOpenFiles(FileBlock* fb) {
  std::unique_ptr<OsFile> dat, ix, var;
  std::int32_t error = OpenWithRetry(fb, ".DAT", false, dat);
  if (error == kFileNotFound) return OpenOutcome::kMissing;
  if (error) return Fail(error, fb), OpenOutcome::kFailed;

  std::uint64_t dat_size = 0;
  if (std::int32_t e = dat->Size(dat_size)) return Fail(e, fb), OpenOutcome::kFailed;
  if (dat_size < kDatHeaderSize) return OpenOutcome::kNeedsRebuild;
  std::array<std::uint8_t, kDatHeaderSize> raw;
  if (!Read(fb, *dat, 0, raw)) return OpenOutcome::kFailed;
  const DatHeader h = DecodeDatHeader(raw);
  if (h.key_count > kMaxKeys || h.key_count < 0) return Fail(kStoredTooManyKeys, fb), OpenOutcome::kFailed;
  if (h.record_length != fb->record_length_) return Fail(kBadRecordLength, fb), OpenOutcome::kFailed;
  if (h.being_changed && !rebuilding_ && MarkIsCrash(fb)) return OpenOutcome::kNeedsRebuild;
  const auto L = static_cast<std::uint64_t>(h.record_length);
  // A header that does not fit its own file is no header to trust.
  if (h.highest < 0 || h.deleted_count < 0 || h.deleted_count > h.highest ||
      dat_size < (static_cast<std::uint64_t>(h.highest) + 1) * L || h.key_count != fb->key_count_ ||
      (h.first_deleted != kNoLink && (h.first_deleted < 1 || h.first_deleted > h.highest)))
    return OpenOutcome::kNeedsRebuild;

  std::vector<Descriptor> descriptors(static_cast<std::size_t>(fb->key_count_) + 1);
  std::vector<std::int64_t> offsets(static_cast<std::size_t>(fb->key_count_) + 1, 0);
  std::int64_t slot = 0, slots = 0;
  std::vector<std::uint8_t> slot0;
  if (fb->key_count_ > 0) {
    error = OpenWithRetry(fb, ".IX", false, ix);
    if (error == kFileNotFound) return OpenOutcome::kNeedsRebuild;
    if (error) return Fail(error, fb), OpenOutcome::kFailed;
    std::uint64_t ix_size = 0;
    if (std::int32_t e = ix->Size(ix_size)) return Fail(e, fb), OpenOutcome::kFailed;
    std::int32_t max_pages = 0;
    for (int k = 1; k <= fb->key_count_; ++k) {
      offsets[k] = slot;
      if (ix_size < static_cast<std::uint64_t>(slot) + kDescriptorSize) return OpenOutcome::kNeedsRebuild;
      std::array<std::uint8_t, kDescriptorSize> bytes;
      if (!Read(fb, *ix, static_cast<std::uint64_t>(slot), bytes)) return OpenOutcome::kFailed;
      const Descriptor d = DecodeDescriptor(bytes);
      // The index is derived from the records, so every doubt about it is
      // answered with a rebuild, which loses nothing.
      const int e = d.entries_per_page;
      if (e < 3 || e > kEntriesPerPage || d.page_size <= 6 || (d.page_size - 6) % e != 0)
        return OpenOutcome::kNeedsRebuild;
      const int key_length = (d.page_size - 6) / e - 9;
      if (key_length != fb->keys_[k].length || (d.duplicates != 0) != fb->keys_[k].duplicates)
        return OpenOutcome::kNeedsRebuild;
      if (d.page_count < 0 || d.root < 0 || d.root > d.page_count || d.free_count < 0 ||
          d.free_count > d.page_count || d.entry_count < 0 ||
          (d.first_free != kNoLink && (d.first_free < 1 || d.first_free > d.page_count)) ||
          (d.root == 0 && d.entry_count != 0) ||
          (!rebuilding_ && d.entry_count != h.highest - h.deleted_count))
        return OpenOutcome::kNeedsRebuild;  // every record in use has one entry in every index
      descriptors[k] = d;
      max_pages = std::max(max_pages, d.page_count);
      slot += d.page_size;
    }
    slots = static_cast<std::int64_t>(ix_size / static_cast<std::uint64_t>(slot)) - 1;
    if (slots < max_pages) return OpenOutcome::kNeedsRebuild;
    // Slot 0 is kept as read, so a flush writes the descriptors back in one
    // write together with whatever else another program keeps there.
    slot0.resize(static_cast<std::size_t>(slot));
    if (!Read(fb, *ix, 0, slot0)) return OpenOutcome::kFailed;
  }
  if (fb->variable_) {
    error = OpenWithRetry(fb, ".VAR", true, var);
    if (error) return Fail(error, fb), OpenOutcome::kFailed;
  }

  fb->dat_ = std::move(dat);
  fb->ix_ = std::move(ix);
  fb->var_ = std::move(var);
  fb->header_ = h;
  fb->descriptors_ = std::move(descriptors);
  fb->key_offsets_ = std::move(offsets);
  fb->slot0_ = std::move(slot0);
  fb->slot_size_ = slot;
  fb->ix_slots_ = slots;
  fb->changing_ = h.being_changed != 0;
  fb->index_suspect_ = false;
  fb->descriptors_dirty_ = false;
  handles_in_use_ += fb->FileHandles();
  if (!ValidChains(fb)) {
    CloseFilesKeepingShare(fb);
    return status_ > 0 ? OpenOutcome::kFailed : OpenOutcome::kNeedsRebuild;
  }
  return OpenOutcome::kOpened;
}

// Walks the deleted-record chain and every free-page chain: each must end
// after exactly as many links as its count says, inside the file.
bool FileManager::ValidChains(FileBlock* fb) {
  std::uint8_t link[4];
  std::int32_t at = fb->header_.first_deleted;
  for (std::int32_t n = 0; n < fb->header_.deleted_count; ++n) {
    if (at < 1 || at > fb->header_.highest) return false;
    if (!Read(fb, *fb->dat_, static_cast<std::uint64_t>(at) * static_cast<std::uint64_t>(fb->record_length_), link))
      return false;
    at = GetI32(link, 0);
  }
  if (at != kNoLink) return false;
  for (int k = 1; k <= fb->key_count_; ++k) {
    const Descriptor& d = fb->descriptors_[k];
    at = d.first_free;
    for (std::int32_t n = 0; n < d.free_count; ++n) {
      if (at < 1 || at > d.page_count) return false;
      if (!Read(fb, *fb->ix_, fb->PageOffset(k, at), link)) return false;
      at = GetI32(link, 0);
    }
    if (at != kNoLink) return false;
  }
  return true;
}

bool FileManager::CreateFiles(FileBlock* fb) {
  if (fb->record_length_ < kMinRecordLength) return Fail(kBadRecordLength, fb);
  if (fb->key_count_ > kMaxKeys) return Fail(kTooManyKeys, fb);
  for (int k = 1; k <= fb->key_count_; ++k)
    if (fb->keys_[k].length < 1 || fb->keys_[k].length > 50) return Fail(kBadKeyLength, fb, k);
  for (const char* ext : {".DAT", ".IX", ".VAR"}) fs_->Remove(fb->Path(ext));

  std::int32_t error = 0;
  auto dat = fs_->Open(fb->Path(".DAT"), true, error);
  if (!dat) return Fail(error, fb);
  std::vector<std::uint8_t> slot0(static_cast<std::size_t>(fb->record_length_), 0);
  DatHeader h;
  h.record_length = fb->record_length_;
  h.key_count = fb->key_count_;
  EncodeDatHeader(h, std::span<std::uint8_t, kDatHeaderSize>(slot0.data(), kDatHeaderSize));
  if (!Write(fb, *dat, 0, slot0) || !Sync(fb, *dat)) return false;
  if (fb->key_count_ == 0) return true;

  return WriteEmptyIndex(fb);
}

void FileManager::CloseFiles(FileBlock* fb, bool flush) {
  if (fb->filling_) {
    // A fill given up: its index was never built. The being-changed marks
    // stay on disk and in the share file, and the next open rebuilds.
    fb->filling_.reset();
    flush = false;
    fb->wrote_ = false;
  }
  // Changes not yet durable are made so; a file that was only read, or whose
  // changes were flushed already, is not waited for (the cleared flag, like
  // every flush's, reaches the disk in the system's own time).
  if (flush && fb->FilesOpen() && status_ <= 2 && fb->changing_ && (!fb->share_ || Access(fb, true)))
    FlushFiles(fb);
  if (fb->share_ && fb->access_ > 0) {
    ReleaseAccess(fb);
    accessed_.erase(std::remove(accessed_.begin(), accessed_.end(), fb), accessed_.end());
  }
  fb->reading_held_ = false;
  CloseFilesKeepingShare(fb);
  if (!fb->share_) return;
  LetGoOfHolder(fb);
  LetGoOfOpen(fb);
  fb->share_.reset();
  --handles_in_use_;
}

// The record, index and tail files close; the share file and its locks stay
// (a repair reopens the files inside one locked operation).
void FileManager::CloseFilesKeepingShare(FileBlock* fb) {
  if (!fb->FilesOpen()) return;
  pool_->ForgetAll(fb);
  ++fb->dat_writes_;  // what was read ahead is no longer the file's
  UnlockFiles(fb);
  handles_in_use_ -= fb->FileHandles();
  fb->dat_.reset();
  fb->ix_.reset();
  fb->var_.reset();
  fb->changing_ = false;
  fb->ix_unsynced_ = fb->var_unsynced_ = false;
}

bool FileManager::WriteHeader(FileBlock* fb) {
  std::array<std::uint8_t, kDatHeaderSize> raw;
  EncodeDatHeader(fb->header_, raw);
  return Write(fb, *fb->dat_, 0, raw);
}

// The being-changed byte reaches the disk before anything else of a change.
bool FileManager::BeginChange(FileBlock* fb) {
  if (!NoteWriting(fb)) return false;
  if (fb->changing_) return true;
  fb->header_.being_changed = 1;
  if (!WriteHeader(fb) || !Sync(fb, *fb->dat_)) return false;
  fb->changing_ = true;
  return true;
}

// Pages, descriptors, the variable tails and the header become durable; only
// then is the being-changed byte cleared. That last write is not waited for:
// lost in a crash, it costs a rebuild and nothing else.
bool FileManager::FlushFiles(FileBlock* fb) {
  if (!fb->changing_) {
    LetGoOfHolder(fb);  // another process's flush made ours durable too
    return true;
  }
  if (!NoteWriting(fb)) return false;
  for (PageFrame* f : pool_->DirtyFrames(fb))
    if (!WritePage(*f)) return false;
  if (fb->key_count_ > 0) {
    if (fb->descriptors_dirty_) {
      for (int k = 1; k <= fb->key_count_; ++k) {
        EncodeDescriptor(fb->descriptors_[k], std::span<std::uint8_t, kDescriptorSize>(
                                                  fb->slot0_.data() + fb->key_offsets_[k], kDescriptorSize));
      }
      if (!Write(fb, *fb->ix_, 0, fb->slot0_)) return false;
      fb->descriptors_dirty_ = false;
    }
    // A change that left every key alone (a rewrite) wrote nothing there.
    if (fb->ix_unsynced_ && !Sync(fb, *fb->ix_)) return false;
  }
  if (fb->var_ && fb->var_unsynced_ && !Sync(fb, *fb->var_)) return false;
  if (!WriteHeader(fb) || !Sync(fb, *fb->dat_)) return false;
  if (fb->index_suspect_) return true;  // the mark stays for the next open
  fb->header_.being_changed = 0;
  if (!WriteHeader(fb)) return false;
  fb->changing_ = false;
  LetGoOfHolder(fb);
  return true;
}

bool FileManager::LockFiles(FileBlock* fb) {
  const std::int32_t e = Retry(fb, true, [&] { return fb->dat_->Lock(); });
  if (e) return Fail(e, fb);
  fb->locked_ = true;
  return true;
}

void FileManager::UnlockFiles(FileBlock* fb) {
  if (fb->locked_ && fb->dat_) fb->dat_->Unlock();
  fb->locked_ = false;
}

// ---------------------------------------------------------------- rebuild

// Copies the records in use (first four bytes 0) into a fresh record file in
// slot order, so the deleted slots disappear. Slots behind the header's
// highest number count too: an add cut short by a crash wrote its record
// before the header, and keeping it leaves the state after the add.
bool FileManager::Reorganise(FileBlock* fb) {
  const std::string dat = fb->Path(".DAT"), sav = fb->Path(".SAV"), reo = fb->Path(".REO");
  const std::string van = fb->Path(".VAN"), var = fb->Path(".VAR");
  const auto L = static_cast<std::size_t>(fb->record_length_);
  const std::size_t extra = fb->variable_ ? static_cast<std::size_t>(fb->ExtraLength()) : 0;
  auto undo = [&] {
    fs_->Remove(dat);
    fs_->Rename(sav, dat);
    fs_->Remove(van);
    fs_->Remove(reo);
    return Fail(kReorganisationFailed, fb);
  };
  if (fs_->Append(reo, "") != 0) return Fail(kReorganisationFailed, fb);
  if (fs_->Rename(dat, sav) != 0) {
    fs_->Remove(reo);
    return Fail(kReorganisationFailed, fb);
  }
  std::int32_t error = 0;
  auto old_dat = fs_->Open(sav, false, error);
  auto new_dat = fs_->Open(dat, true, error);
  std::unique_ptr<OsFile> old_var, new_var;
  if (extra) {
    old_var = fs_->Open(var, true, error);
    new_var = fs_->Open(van, true, error);
  }
  if (!old_dat || !new_dat || (extra && (!old_var || !new_var))) return undo();

  std::uint64_t size = 0;
  old_dat->Size(size);
  const auto slots = static_cast<std::int64_t>(size / L);  // slot 0 included
  std::array<std::uint8_t, kDatHeaderSize> raw{};
  if (size >= kDatHeaderSize) old_dat->ReadAt(0, raw);
  const std::vector<bool> chained = FreeChainOf(fb, *old_dat, DecodeDatHeader(raw), slots);
  bool dropped = false;  // something that may be a record leaves the file: the old one is kept
  DatHeader h;
  h.record_length = fb->record_length_;
  h.key_count = fb->key_count_;
  h.being_changed = 1;  // stays until the index is complete
  std::int32_t kept = 0;
  std::vector<std::uint8_t> chunk;
  std::vector<std::uint8_t> tail(extra);
  // The kept records go out in runs, one write per run instead of one per
  // record; `out_first` is the slot the run starts at.
  std::vector<std::uint8_t> out;
  std::int32_t out_first = 1;
  const auto write_out = [&] {
    if (out.empty()) return true;
    const IoResult w = new_dat->WriteAt(static_cast<std::uint64_t>(out_first) * L, out);
    out_first += static_cast<std::int32_t>(out.size() / L);
    const bool ok = !w.error && w.bytes == out.size();
    out.clear();
    return ok;
  };
  for (std::int64_t first = 1; first < slots; first += kCopyChunkRecords) {
    const std::int64_t count = std::min<std::int64_t>(kCopyChunkRecords, slots - first);
    chunk.assign(static_cast<std::size_t>(count) * L, 0);
    const IoResult r = old_dat->ReadAt(static_cast<std::uint64_t>(first) * L, chunk);
    if (r.error || r.bytes < chunk.size()) return undo();
    for (std::int64_t i = 0; i < count; ++i) {
      const ConstBytes record(chunk.data() + static_cast<std::size_t>(i) * L, L);
      const bool in_chain = chained[static_cast<std::size_t>(first + i)];
      if (GetI32(record, 0) != 0 || in_chain) {
        // A record marked deleted outside the free chain, or one in the
        // chain whose link reads "in use": either mark is damaged, and
        // neither record is certain. Its bytes go to the report.
        if (GetI32(record, 0) == 0 || !in_chain) {
          dropped = true;
          ReportDroppedRecord(fb, "Ref: " + std::to_string(first + i) + " in-use mark damaged", record);
        }
        continue;
      }
      if (kept == INT32_MAX) return undo();
      ++kept;
      out.insert(out.end(), record.begin(), record.end());
      if (extra) {
        std::fill(tail.begin(), tail.end(), 0);
        old_var->ReadAt(static_cast<std::uint64_t>(first + i) * extra, tail);
        const IoResult t = new_var->WriteAt(static_cast<std::uint64_t>(kept) * extra, tail);
        if (t.error || t.bytes < extra) return undo();
      }
    }
    if (!write_out()) return undo();
  }
  if (size % L != 0 && slots >= 1) {
    // A last slot cut short: its bytes go to the report, never silently away.
    std::vector<std::uint8_t> tail(static_cast<std::size_t>(size % L));
    const IoResult t = old_dat->ReadAt(static_cast<std::uint64_t>(slots) * L, tail);
    if (t.error || t.bytes < tail.size()) return undo();
    dropped = true;
    ReportDroppedRecord(fb, "Ref: " + std::to_string(slots) + " cut short", tail);
  }
  h.highest = kept;
  std::vector<std::uint8_t> slot0(L, 0);
  EncodeDatHeader(h, std::span<std::uint8_t, kDatHeaderSize>(slot0.data(), kDatHeaderSize));
  const IoResult w = new_dat->WriteAt(0, slot0);
  if (w.error || w.bytes < L || new_dat->Sync() != 0 || (new_var && new_var->Sync() != 0)) return undo();
  new_dat.reset();
  old_dat.reset();
  new_var.reset();
  old_var.reset();
  // The commit point: without the .REO marker the new record file counts.
  if (fs_->Remove(reo) != 0) return undo();
  if (extra) fs_->Rename(van, var);
  if (dropped) {
    fs_->Remove(fb->Path(".BAK"));
    if (fs_->Rename(sav, fb->Path(".BAK")) == 0) repairs_.back().copy = fb->Path(".BAK");
  }
  fs_->Remove(sav);
  return true;
}

void FileManager::ReportRebuildRefusal(FileBlock* fb, const Key& key, int key_number, std::int32_t record,
                                       ConstBytes bytes) {
  std::string line = "Key:<" + key + "> KeyNr: " + std::to_string(key_number) + " Ref: " + std::to_string(record) +
                     " not added\r\nData record deleted - Dump follows\r\n";
  line.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  line += "\r\n";
  fs_->Append(fb->Path(".MSG"), line);
  ++repairs_.back().records_dropped;
}

bool FileManager::Rebuild(FileBlock* fb) {
  ++fb->repairs_;
  StartRepairNote(fb);
  CloseFilesKeepingShare(fb);
  fb->current_ = -1;
  fb->position_key_ = 0;
  if (!Reorganise(fb)) return false;
  // A fresh index for the reorganised records. The record file keeps its
  // being-changed byte until every key is in, so a crash in here only means
  // another rebuild.
  fs_->Remove(fb->Path(".IX"));
  if (fb->key_count_ > 0 && !WriteEmptyIndex(fb)) return false;
  rebuilding_ = true;
  const OpenOutcome opened = TryOpenFiles(fb);
  rebuilding_ = false;
  if (opened != OpenOutcome::kOpened) return status_ > 0 ? false : Fail(kReorganisationFailed, fb);
  fb->wrote_ = fb->share_ != nullptr;
  if (!BuildIndexes(fb)) return false;
  fb->changing_ = true;
  if (!FlushFiles(fb) || !Sync(fb, *fb->dat_)) return false;
  CloseFilesKeepingShare(fb);
  return true;
}

bool FileManager::WriteEmptyIndex(FileBlock* fb) {
  std::int64_t size = 0;
  for (int k = 1; k <= fb->key_count_; ++k) size += PageSize(fb->keys_[k].length);
  std::vector<std::uint8_t> ix0(static_cast<std::size_t>(size), 0);
  std::int64_t at = 0;
  for (int k = 1; k <= fb->key_count_; ++k) {
    Descriptor d;
    d.page_size = PageSize(fb->keys_[k].length);
    d.duplicates = fb->keys_[k].duplicates ? 1 : 0;
    EncodeDescriptor(d, std::span<std::uint8_t, kDescriptorSize>(ix0.data() + at, kDescriptorSize));
    at += d.page_size;
  }
  std::int32_t error = 0;
  auto ix = fs_->Open(fb->Path(".IX"), true, error);
  if (!ix) return Fail(error, fb);
  return Write(fb, *ix, 0, ix0) && Sync(fb, *ix);
}

}  // namespace vek::store
