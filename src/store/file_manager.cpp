// The operation frame (status, failure entries, retries, the serious-failure
// report) and the record-level operations of the store.
#include "store/file_manager.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "base/date_time_format.h"
#include "store/prefetch.h"

namespace vek::store {
namespace {

// Steps of a walk whose records are asked for ahead of their reads.
constexpr std::size_t kPrefetchedSteps = 4;

}  // namespace

FileManager::FileManager(StoreEnvironment env) : env_(std::move(env)) {
  fs_ = env_.fs ? env_.fs : &RealFileSystem();
}

FileManager::~FileManager() { ExitFileManager(); }

// ---------------------------------------------------------------- frame

bool FileManager::Begin(Operation op, FileBlock* fb) {
  status_ = 0;
  error_ = 0;
  failures_.clear();
  operation_ = op;
  initial_ = fb;
  if (stopped_) {  // after a serious failure nothing runs any more
    status_ = 4;
    return false;
  }
  if (!started_) {
    status_ = 4;
    error_ = kStoreNotStarted;
    return false;
  }
  // A fileblock being filled has no index to read until EndFill.
  if (fb && fb->filling_ && op != Operation::kAdd && op != Operation::kFill && op != Operation::kClose)
    return Fail(kFillUnfinished, fb);
  return true;
}

int FileManager::End() {
  ReleaseAllAccess();
  if (status_ > 2 && !stopped_) SeriousFailure();
  return status_;
}

int FileManager::Run(FileBlock* fb, bool change, const std::function<bool(int run)>& body) {
  if (!EnsureOpen(fb) || !Access(fb, change)) return End();
  body(1);
  if (fb->damaged_ && status_ <= 2 && error_ == kDamageFound) {
    status_ = 0;
    error_ = 0;
    failures_.clear();
    if (Access(fb, true) && RepairInPlace(fb)) {
      body(2);
      // Damaged again right after a repair: the files cannot be trusted.
      if (fb->damaged_ && error_ == kDamageFound) Fail(kShortRead, fb);
    }
  }
  return End();
}

bool FileManager::Damage(FileBlock* fb, int key, std::int32_t at) {
  fb->damaged_ = true;
  return Fail(kDamageFound, fb, key, at);
}

std::vector<FileManager::RepairNote> FileManager::TakeRepairNotes() {
  std::vector<RepairNote> notes;
  for (RepairNote& n : repairs_)
    if (n.records_dropped > 0) notes.push_back(std::move(n));
  repairs_.clear();
  return notes;
}

void FileManager::StartRepairNote(FileBlock* fb) { repairs_.push_back(RepairNote{fb->file_name_, 0, {}}); }

bool FileManager::Fail(std::int32_t error, FileBlock* fb, int key, std::int32_t record) {
  FailureEntry e{ClassOfError(error), error, operation_, key, record, fb ? fb->file_name_ : std::string()};
  if (failures_.size() < 4)
    failures_.push_back(std::move(e));
  else
    failures_[3] = std::move(e);  // a fifth and every later entry overwrite the fourth
  status_ = std::max(status_, ClassOfError(error));
  if (ClassOfError(error) >= status_) error_ = error;
  return false;
}

std::string FileManager::LogStamp() const {
  std::tm tm{};
  if (env_.clock) {
    const UtcInstant now = env_.clock->NowUtc();
    const CivilDate d = DateFromDayNumber(now.day);
    tm.tm_year = d.year - 1900, tm.tm_mon = d.month - 1, tm.tm_mday = d.day;
    tm.tm_hour = now.second / 3600, tm.tm_min = (now.second / 60) % 60;
  } else {
    const std::time_t t = std::time(nullptr);
    localtime_r(&t, &tm);
  }
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%02d/%02d/%04d  %02d:%02d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900,
                tm.tm_hour, tm.tm_min);
  return stamp;
}

void FileManager::SeriousFailure() {
  // 1. The error log: one block per serious failure.
  std::string log = "\r\n*->  " + LogStamp() + "\r\n";
  const std::string initial = initial_ ? initial_->file_name_ : std::string();
  const bool other = std::any_of(failures_.begin(), failures_.end(), [&](const FailureEntry& e) {
    return !e.file_name.empty() && e.file_name != initial;
  });
  if (other && !initial.empty()) log += "     InitialFileblock  " + initial + "\r\n";
  for (const FailureEntry& e : failures_) {
    if (!e.file_name.empty()) log += "     Fileblock  " + e.file_name + "\r\n";
    log += "     - Err: " + std::to_string(DisplayedErrorNumber(e.error)) + "\r\n";
  }
  fs_->Append(error_log_, log);  // a failing log is ignored; the message still shows

  // 2. The stop message for the worst entry.
  const FailureEntry* worst = nullptr;
  for (const FailureEntry& e : failures_)
    if (!worst || e.error_class > worst->error_class) worst = &e;
  StopReport report;
  report.entries = failures_;
  if (worst && worst->error_class > 2) {
    report.displayed_error = DisplayedErrorNumber(worst->error);
    report.message = StopMessage(report.displayed_error, env_.german);
  }
  if (env_.shutdown) env_.shutdown(report);

  // 3. A damaged index goes, so the next start builds it anew; then every
  // fileblock is closed without writing more into files that may be damaged.
  if (worst && worst->error == kShortRead) {
    for (auto& fb : blocks_) {
      if (fb->file_name_ != worst->file_name) continue;
      CloseFiles(fb.get(), false);
      fs_->Remove(fb->Path(".IX"));
      if (fb->shutdown_hook_) fb->shutdown_hook_();
    }
  }
  for (auto& fb : blocks_) CloseFiles(fb.get(), false);
  stopped_ = true;
}

std::int32_t FileManager::Retry(FileBlock* fb, bool opening, const std::function<std::int32_t()>& step) {
  const int limit = fb ? fb->retry_limit_ : 32;
  int counter = opening ? limit - limit / 8 : 0;
  for (;;) {
    const std::int32_t e = step();
    if (e == 0 || ClassOfError(e) != 2) return e;
    LockQuestion question = LockQuestion::kLocked;
    if (limit != 65535) ++counter;
    if (e == kPathNotFound) {
      question = LockQuestion::kPathNotFound;
      counter = limit;
    }
    if (counter >= limit && limit != 65535) {
      const std::string name = fb ? fb->display_name_ : std::string();
      if (!lock_question_ || !lock_question_(name, question)) return e;
      counter = 0;
      continue;
    }
    auto random = [&](int n) { return env_.random ? env_.random(n) : std::rand() % n; };
    const int ms = counter <= limit / 2 ? 90 - random(90) : 30 - random(30);
    if (env_.sleep)
      env_.sleep(std::chrono::milliseconds(ms));
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

bool FileManager::Read(FileBlock* fb, OsFile& file, std::uint64_t offset, std::span<std::uint8_t> out) {
  const std::int32_t e = Retry(fb, false, [&]() -> std::int32_t {
    const IoResult r = file.ReadAt(offset, out);
    if (r.error) return r.error;
    return r.bytes < out.size() ? kShortRead : 0;
  });
  return e == 0 || Fail(e, fb);
}

bool FileManager::Write(FileBlock* fb, OsFile& file, std::uint64_t offset, std::span<const std::uint8_t> data) {
  const std::int32_t e = Retry(fb, false, [&]() -> std::int32_t {
    const IoResult r = file.WriteAt(offset, data);
    if (r.error) return r.error;
    return r.bytes < data.size() ? kShortWrite : 0;
  });
  if (e != 0) return Fail(e, fb);
  if (&file == fb->dat_.get()) ++fb->dat_writes_;
  if (&file == fb->ix_.get()) fb->ix_unsynced_ = true;
  if (&file == fb->var_.get()) fb->var_unsynced_ = true;
  return true;
}

bool FileManager::Sync(FileBlock* fb, OsFile& file) {
  const std::int32_t e = Retry(fb, false, [&] { return file.Sync(); });
  if (e != 0) return Fail(e, fb);
  if (&file == fb->ix_.get()) fb->ix_unsynced_ = false;
  if (&file == fb->var_.get()) fb->var_unsynced_ = false;
  return true;
}

// ---------------------------------------------------------------- store

int FileManager::InitFileManager(int page_buffers, int open_file_limit) {
  status_ = 0;
  error_ = 0;
  failures_.clear();
  // A refused start is the caller's to report (it ends the program); it is
  // no serious failure of a running store.
  if (started_ || open_file_limit <= 6 || page_buffers <= 7) {
    status_ = 4;
    error_ = started_ ? kStoreAlreadyStarted : kConfigurationBad;
    fs_->Append(error_log_, "\r\n*->  " + LogStamp() + "\r\n     - Err: " +
                                std::to_string(DisplayedErrorNumber(error_)) + "\r\n");
    return status_;
  }
  pool_ = std::make_unique<PagePool>(static_cast<std::size_t>(page_buffers),
                                     [this](PageFrame& f) { return WritePage(f); });
  open_file_limit_ = open_file_limit;
  started_ = true;
  stopped_ = false;
  return 0;
}

void FileManager::ExitFileManager() {
  if (!started_) return;
  while (!blocks_.empty()) CloseFileBlock(blocks_.front().get());
  pool_.reset();
  started_ = false;
}

FileBlock* FileManager::OpenFileBlock(const std::string& file_name, const std::string& display_name,
                                      int record_length, int buffer_length, std::uint8_t* buffer, int key_count,
                                      KeyBuilder builder, int retry_limit, bool rebuild_allowed,
                                      bool variable_length) {
  if (!Begin(Operation::kOpen, nullptr)) return End(), nullptr;
  auto fb = std::make_unique<FileBlock>();
  fb->id_ = next_id_++;
  fb->file_name_ = file_name.substr(0, std::min<std::size_t>(file_name.find('.'), 192));
  fb->display_name_ = display_name.substr(0, 40);
  fb->record_length_ = record_length;
  fb->buffer_length_ = variable_length ? std::max(buffer_length, record_length) : record_length;
  if (buffer) {
    fb->buffer_ = buffer;
  } else {
    fb->own_buffer_.assign(static_cast<std::size_t>(fb->buffer_length_), 0);
    fb->buffer_ = fb->own_buffer_.data();
  }
  fb->last_read_.assign(static_cast<std::size_t>(fb->buffer_length_), 0);
  fb->key_count_ = key_count;
  fb->keys_.assign(static_cast<std::size_t>(std::max(key_count, 0)) + 1, {});
  fb->builder_ = std::move(builder);
  fb->retry_limit_ = retry_limit;
  fb->rebuild_allowed_ = rebuild_allowed;
  fb->variable_ = variable_length;
  blocks_.push_back(std::move(fb));
  End();
  return blocks_.back().get();
}

int FileManager::CloseFileBlock(FileBlock* fb) {
  if (!fb) return 1;
  const bool running = Begin(Operation::kClose, fb);
  if (running) CloseFiles(fb, true);
  blocks_.remove_if([fb](const std::unique_ptr<FileBlock>& p) { return p.get() == fb; });
  return running ? End() : status_;
}

int FileManager::DefineKey(FileBlock* fb, int key, int length, bool duplicates) {
  if (!Begin(Operation::kDefineKey, fb)) return End();
  if (key < 1 || key > fb->key_count_) return Fail(kKeyNumberOutOfRange, fb, key), End();
  if (length < 1 || length > static_cast<int>(kMaxKeyLength)) return Fail(kBadKeyDefinition, fb, key), End();
  fb->keys_[key] = {true, length, duplicates, fb->keys_[key].auto_number_offset};
  return End();
}

int FileManager::SetAutoNumber(FileBlock* fb, int key, std::size_t field_offset) {
  if (!Begin(Operation::kSetAutoNumber, fb)) return End();
  if (key < 1 || key > fb->key_count_ || !fb->keys_[key].defined)
    return Fail(kAutoNumberKeyUndefined, fb, key), End();
  if (field_offset + 4 > static_cast<std::size_t>(fb->record_length_))
    return Fail(kFieldOutsideRecord, fb, key), End();
  // The key must end with the field's number: try the two extremes.
  std::vector<std::uint8_t> probe(fb->buffer_, fb->buffer_ + fb->buffer_length_);
  for (std::int32_t v : {0, INT32_MAX}) {
    PutI32(probe, field_offset, v);
    const Key k = BuildKey(fb, probe, key);
    if (k.size() < 5 || KeyToLong(std::string_view(k).substr(k.size() - 5)) != v)
      return Fail(kAutoNumberNotLastInKey, fb, key), End();
  }
  fb->keys_[key].auto_number_offset = static_cast<int>(field_offset);
  return End();
}

void FileManager::SetFlushAfterWrite(FileBlock* fb, bool flush) { fb->flush_after_write_ = flush; }

void FileManager::ClearRecord(FileBlock* fb) { std::fill_n(fb->buffer_, fb->buffer_length_, 0); }

Key FileManager::BuildKey(FileBlock* fb, ConstBytes record, int key) {
  Key k = fb->builder_ ? fb->builder_(record, key) : Key();
  const std::size_t limit = std::min<std::size_t>(kMaxKeyLength, static_cast<std::size_t>(fb->keys_[key].length));
  if (k.size() > limit) k.resize(limit);
  return k;
}

Key FileManager::MakeKey(FileBlock* fb, int key) {
  if (key < 1 || key > fb->key_count_) return {};
  return BuildKey(fb, ConstBytes(fb->buffer_, static_cast<std::size_t>(fb->buffer_length_)), key);
}

FileBlock* FileManager::FindOpenFileBlock(std::string_view display_name) {
  if (!Begin(Operation::kFindOpen, nullptr)) return End(), nullptr;
  const Text wanted = Cp1252Upper(display_name.substr(0, 40));
  for (auto& fb : blocks_)
    if (Cp1252Upper(fb->display_name_) == wanted) return End(), fb.get();
  Fail(kFileBlockNotFound, nullptr);
  End();
  return nullptr;
}

// ---------------------------------------------------------------- records

bool FileManager::ReadRecord(FileBlock* fb, std::int32_t number, std::span<std::uint8_t> out, bool walking) {
  const auto L = static_cast<std::uint64_t>(fb->record_length_);
  FileBlock::ReadAhead& ahead = fb->read_ahead_;
  if (ahead.writes != fb->dat_writes_) {
    ahead.first = ahead.count = ahead.scattered = 0;
    ahead.writes = fb->dat_writes_;
    // A whole file read before is not kept in memory past its use.
    if (ahead.bytes.capacity() > static_cast<std::size_t>(kReadAheadRecords) * L)
      std::vector<std::uint8_t>().swap(ahead.bytes);
  }
  const std::uint64_t whole = static_cast<std::uint64_t>(fb->header_.highest) * L;
  // Counted only where the whole file may come in, so the count stays small.
  if (walking && whole <= kWholeFileBytes && !(number >= ahead.first && number < ahead.first + ahead.count) &&
      number != ahead.last + 1 && ++ahead.scattered >= kScatteredBeforeWhole) {
    // A walk in key order meets the records all over the file, one read
    // each: after many such steps, the rest of the walk reads from memory.
    ahead.bytes.resize(static_cast<std::size_t>(whole));
    const IoResult r = fb->dat_->ReadAt(L, ahead.bytes);
    ahead.first = 1;
    ahead.count = r.error ? 0 : static_cast<std::int32_t>(r.bytes / L);
    ahead.scattered = 0;
  }
  if (number >= ahead.first && number < ahead.first + ahead.count) {
    const auto at = static_cast<std::size_t>(number - ahead.first) * L;
    std::copy_n(ahead.bytes.begin() + static_cast<std::ptrdiff_t>(at), L, out.begin());
  } else if (number == ahead.last + 1 && number < fb->header_.highest) {
    // Reading on in slot order (a walk of a log written in time order):
    // the next records come with this one in one read.
    ahead.bytes.resize(static_cast<std::size_t>(kReadAheadRecords) * L);
    const IoResult r = fb->dat_->ReadAt(static_cast<std::uint64_t>(number) * L, ahead.bytes);
    ahead.first = number;
    ahead.count = r.error ? 0 : static_cast<std::int32_t>(r.bytes / L);
    ahead.writes = fb->dat_writes_;
    if (ahead.count > 0) {
      std::copy_n(ahead.bytes.begin(), L, out.begin());
    } else if (!Read(fb, *fb->dat_, static_cast<std::uint64_t>(number) * L, out.first(L))) {
      return false;
    }
  } else if (!Read(fb, *fb->dat_, static_cast<std::uint64_t>(number) * L, out.first(L))) {
    return false;
  }
  ahead.last = number;
  if (fb->variable_ && fb->ExtraLength() > 0) {
    // The tail of a variable-length record lives in the .VAR file, slot n at
    // n * (buffer length - fixed length); a tail never written reads as zeros.
    auto tail = out.subspan(L);
    std::fill(tail.begin(), tail.end(), 0);
    fb->var_->ReadAt(static_cast<std::uint64_t>(number) * tail.size(), tail);
  }
  return true;
}

bool FileManager::WriteRecord(FileBlock* fb, std::int32_t number, ConstBytes data) {
  const auto L = static_cast<std::uint64_t>(fb->record_length_);
  if (fb->variable_ && fb->ExtraLength() > 0) {
    auto tail = data.subspan(L);
    if (!Write(fb, *fb->var_, static_cast<std::uint64_t>(number) * tail.size(), tail)) return false;
  }
  // Written last: this slot decides whether the record exists.
  return Write(fb, *fb->dat_, static_cast<std::uint64_t>(number) * L, data.first(L));
}

bool FileManager::TakeSlot(FileBlock* fb, std::int32_t& number) {
  DatHeader& h = fb->header_;
  if (h.first_deleted == kNoLink) {
    if (h.highest == INT32_MAX) return Fail(kAutoNumberOverflow, fb);
    number = ++h.highest;
    return true;
  }
  const std::int32_t f = h.first_deleted;
  std::uint8_t link_bytes[4];
  if (f < 1 || f > h.highest) return Damage(fb, 0, f);
  if (!Read(fb, *fb->dat_, static_cast<std::uint64_t>(f) * static_cast<std::uint64_t>(fb->record_length_),
            link_bytes))
    return false;
  const std::int32_t link = GetI32(link_bytes, 0);
  if (link == 0 || link == f || (link != kNoLink && (link < 1 || link > h.highest))) return Damage(fb, 0, f);
  h.first_deleted = link;
  --h.deleted_count;
  number = f;
  return true;
}

bool FileManager::FreeSlot(FileBlock* fb, std::int32_t number) {
  std::uint8_t link[4];
  PutI32(link, 0, fb->header_.first_deleted);
  if (!Write(fb, *fb->dat_,
             static_cast<std::uint64_t>(number) * static_cast<std::uint64_t>(fb->record_length_), link))
    return false;
  fb->header_.first_deleted = number;
  ++fb->header_.deleted_count;
  return true;
}

bool FileManager::ComputeAutoNumbers(FileBlock* fb) {
  Bytes buffer = fb->buffer();
  for (int k = 1; k <= fb->key_count_; ++k) {
    const int offset = fb->keys_[k].auto_number_offset;
    if (offset < 0) continue;
    PutI32(buffer, static_cast<std::size_t>(offset), 0);
    Key prefix = BuildKey(fb, buffer, k);
    prefix.resize(prefix.size() >= 5 ? prefix.size() - 5 : 0);
    // Every key of the group is prefix + 5 number bytes, all below 0xFF.
    // A fill has no index yet; its keys added so far are in memory.
    const Key* greatest = nullptr;
    Found last;
    if (fb->filling_) {
      const auto& keys = fb->filling_->numbered[k];
      auto it = keys.upper_bound(prefix + '\xFF');
      if (it != keys.begin()) greatest = &*std::prev(it);
    } else {
      if (!Predecessor(fb, k, prefix + '\xFF', INT32_MAX, last)) return false;
      if (last.ok) greatest = &last.entry.key;
    }
    std::int64_t next = 1;
    if (greatest != nullptr && greatest->size() == prefix.size() + 5 && greatest->compare(0, prefix.size(), prefix) == 0)
      next = static_cast<std::int64_t>(KeyToLong(std::string_view(*greatest).substr(prefix.size()))) + 1;
    if (next > INT32_MAX) return Fail(kAutoNumberOverflow, fb, k);
    if (next < 1) next = 1;
    PutI32(buffer, static_cast<std::size_t>(offset), static_cast<std::int32_t>(next));
  }
  return true;
}

// An index without the entry its record should have does not match its
// records. The operation goes on; the failure entry notes it, and the
// being-changed byte stays set so that the next open rebuilds the index.
void FileManager::NoteMissingEntry(FileBlock* fb, int key, std::int32_t record) {
  const int status = status_;
  Fail(kKeyNotFound, fb, key, record);
  status_ = status;
  fb->index_suspect_ = true;
  fb->damaged_ = true;  // repaired when the next operation takes the files
}

int FileManager::AddRecord(FileBlock* fb) {
  if (!Begin(Operation::kAdd, fb)) return End();
  Bytes buffer = fb->buffer();
  if (GetI32(buffer, 0) != 0) return Fail(kReservedBytesSet, fb), End();
  if (fb->filling_) return FillOneRecord(fb), End();
  std::int32_t written = 0;  // the slot the record went into
  return Run(fb, true, [&](int run) {
    if (run == 2 && written > 0) {
      // The record was in its slot when the damage showed; the repair built
      // its keys from it, so the add is done.
      std::vector<std::uint8_t> stored(buffer.size());
      if (!ReadRecord(fb, written, stored) || !std::equal(stored.begin(), stored.end(), buffer.begin()))
        return Fail(kShortRead, fb, 0, written);
      std::copy(buffer.begin(), buffer.end(), fb->last_read_.begin());
      fb->current_ = written;
      fb->position_key_ = 0;
      return true;
    }
    if (!LockFiles(fb)) return false;
    bool ok = ComputeAutoNumbers(fb);
    // Every index is walked before anything is written: a unique key already
    // present refuses the add with the files exactly as they were, and a
    // damaged index shows before the record is in its slot.
    std::vector<Key> keys(static_cast<std::size_t>(fb->key_count_) + 1);
    for (int k = 1; ok && k <= fb->key_count_; ++k) {
      keys[k] = BuildKey(fb, buffer, k);
      Found f;
      ok = LowerBound(fb, k, keys[k], INT32_MIN, false, f);
      if (ok && !fb->keys_[k].duplicates && f.ok && f.entry.key == keys[k]) ok = Fail(kDuplicateKey, fb, k);
    }
    std::int32_t number = 0;
    ok = ok && BeginChange(fb) && TakeSlot(fb, number) && WriteRecord(fb, number, buffer);
    if (ok) written = number;
    for (int k = 1; ok && k <= fb->key_count_; ++k) {
      bool duplicate = false;
      ok = Insert(fb, k, keys[k], number, duplicate);
      if (ok && duplicate) ok = Damage(fb, k, number);  // the index contradicts itself
    }
    if (ok) {
      fb->descriptors_dirty_ = true;
      std::copy(buffer.begin(), buffer.end(), fb->last_read_.begin());
      fb->current_ = number;
      fb->position_key_ = 0;
      if (fb->flush_after_write_) FlushFiles(fb);
    }
    UnlockFiles(fb);
    return ok;
  });
}

int FileManager::PutRecord(FileBlock* fb) {
  if (!Begin(Operation::kPut, fb)) return End();
  if (fb->current_ < 1) return Fail(kNoCurrentRecord, fb), End();
  Bytes buffer = fb->buffer();
  if (GetI32(buffer, 0) != 0) return Fail(kPutReservedBytesSet, fb), End();
  if (std::equal(buffer.begin(), buffer.end(), fb->last_read_.begin())) return End();
  return Run(fb, true, [&](int) {
    if (!LockFiles(fb)) return false;
    const std::int32_t number = fb->current_;
    struct Change {
      int key;
      Key old_key, new_key;
    };
    std::vector<Change> changes;
    bool ok = true;
    for (int k = 1; ok && k <= fb->key_count_; ++k) {
      Key before = BuildKey(fb, fb->last_read_, k);
      Key after = BuildKey(fb, buffer, k);
      if (before == after) continue;
      if (!fb->keys_[k].duplicates) {
        Found f;
        ok = LowerBound(fb, k, after, INT32_MIN, false, f);
        if (ok && f.ok && f.entry.key == after && f.entry.record != number) ok = Fail(kDuplicateKey, fb, k, number);
      }
      changes.push_back({k, std::move(before), std::move(after)});
    }
    ok = ok && BeginChange(fb);
    for (const Change& c : changes) {
      if (!ok) break;
      bool found = false, duplicate = false;
      ok = Remove(fb, c.key, c.old_key, number, found) && Insert(fb, c.key, c.new_key, number, duplicate);
      if (ok && (!found || duplicate)) NoteMissingEntry(fb, c.key, number);
    }
    ok = ok && WriteRecord(fb, number, buffer);
    if (ok) {
      // Index pages and descriptors change only with a key.
      if (!changes.empty()) fb->descriptors_dirty_ = true;
      std::copy(buffer.begin(), buffer.end(), fb->last_read_.begin());
      fb->position_key_ = 0;
      if (fb->flush_after_write_) FlushFiles(fb);
    }
    UnlockFiles(fb);
    return ok;
  });
}

int FileManager::DeleteRecord(FileBlock* fb, int /*reposition*/) {
  if (!Begin(Operation::kDelete, fb)) return End();
  Bytes buffer = fb->buffer();
  // A record must be read and left unchanged before it is deleted.
  if (fb->current_ < 1 || !std::equal(buffer.begin(), buffer.end(), fb->last_read_.begin()))
    return Fail(kRecordNotRead, fb), End();
  return Run(fb, true, [&](int) {
    if (!LockFiles(fb)) return false;
    const std::int32_t number = fb->current_;
    bool ok = BeginChange(fb);
    for (int k = 1; ok && k <= fb->key_count_; ++k) {
      bool found = false;
      ok = Remove(fb, k, BuildKey(fb, buffer, k), number, found);
      if (ok && !found) NoteMissingEntry(fb, k, number);
    }
    ok = ok && FreeSlot(fb, number);
    if (ok) {
      fb->descriptors_dirty_ = true;
      fb->current_ = -1;
      fb->position_key_ = 0;
      if (fb->flush_after_write_) FlushFiles(fb);
    }
    UnlockFiles(fb);
    return ok;
  });
}

// ---------------------------------------------------------------- positioning

bool FileManager::Land(FileBlock* fb, int key, const Entry& e, bool walking) {
  if (e.record < 1 || e.record > fb->header_.highest) return Damage(fb, key, e.record);
  // Read into a spare buffer that then changes places with the last read
  // record: no allocation per step of a walk, and a failed read leaves the
  // fileblock as it was.
  std::vector<std::uint8_t>& record = landing_;
  record.resize(static_cast<std::size_t>(fb->buffer_length_));
  if (!ReadRecord(fb, e.record, record, walking)) return false;
  // An entry that points at a deleted slot means the index is damaged.
  if (GetI32(record, 0) != 0) return Damage(fb, key, e.record);
  std::copy(record.begin(), record.end(), fb->buffer_);
  std::swap(fb->last_read_, record);
  fb->current_ = e.record;
  fb->position_key_ = key;
  fb->position_text_ = e.key;
  fb->position_record_ = e.record;
  return true;
}

int FileManager::Position(FileBlock* fb, Operation op, int key,
                          const std::function<bool(const Entry*&)>& find, std::int32_t not_found_error) {
  if (!Begin(op, fb)) return End();
  if (key < 1 || key > fb->key_count_) return Fail(kKeyNumberOutOfRange, fb, key), End();
  const bool walking = (op == Operation::kNext || op == Operation::kPrev) && fb->reading_held_;
  return Run(fb, false, [&](int) {
    const Entry* e = nullptr;
    if (!find(e)) return false;
    // Not found: buffer and position stay as they were.
    if (!e) return Fail(not_found_error, fb, key);
    return Land(fb, key, *e, walking);
  });
}

FileManager::SavedPosition FileManager::SavePosition(const FileBlock* fb) const {
  return {fb->current_, fb->position_key_, fb->position_text_, fb->position_record_, fb->last_read_};
}

void FileManager::RestorePosition(FileBlock* fb, SavedPosition saved) {
  fb->current_ = saved.current;
  fb->position_key_ = saved.key;
  fb->position_text_ = std::move(saved.text);
  fb->position_record_ = saved.record;
  fb->last_read_ = std::move(saved.last_read);
}

int FileManager::FindKey(FileBlock* fb, int key, std::string_view text) {
  Found f;
  return Position(fb, Operation::kFind, key, [&](const Entry*& e) {
    const Key wanted(text.substr(0, kMaxKeyLength));
    if (!LowerBound(fb, key, wanted, INT32_MIN, false, f)) return false;
    e = f.ok && f.entry.key == wanted ? &f.entry : nullptr;
    return true;
  }, kKeyNotFound);
}

int FileManager::SearchKey(FileBlock* fb, int key, std::string_view text) {
  Found f;
  return Position(fb, Operation::kSearch, key, [&](const Entry*& e) {
    if (!LowerBound(fb, key, Key(text.substr(0, kMaxKeyLength)), INT32_MIN, false, f)) return false;
    RememberLeaf(fb, key, f);
    e = f.ok ? &f.entry : nullptr;
    return true;
  }, kEndOfIndex);
}

int FileManager::SearchEntry(FileBlock* fb, int key, std::string_view text, std::int32_t record) {
  Found f;
  return Position(fb, Operation::kSearch, key, [&](const Entry*& e) {
    if (!LowerBound(fb, key, Key(text.substr(0, kMaxKeyLength)), record, false, f)) return false;
    e = f.ok ? &f.entry : nullptr;
    return true;
  }, kEndOfIndex);
}

int FileManager::FirstKey(FileBlock* fb, int key) {
  Found f;
  return Position(fb, Operation::kFirst, key, [&](const Entry*& e) {
    if (!Edge(fb, key, false, f)) return false;
    e = f.ok ? &f.entry : nullptr;
    return true;
  }, kEndOfIndex);
}

int FileManager::LastKey(FileBlock* fb, int key) {
  Found f;
  return Position(fb, Operation::kLast, key, [&](const Entry*& e) {
    if (!Edge(fb, key, true, f)) return false;
    e = f.ok ? &f.entry : nullptr;
    return true;
  }, kEndOfIndex);
}

// Where a step starts: the index position when it is on this key; when the
// step switches indexes, the current record's entry in the new index. The
// position itself only changes when the step lands.
void FileManager::StartOfStep(FileBlock* fb, int key, Key& text, std::int32_t& record) {
  if (fb->position_key_ == key) {
    text = fb->position_text_;
    record = fb->position_record_;
  } else {
    text = BuildKey(fb, fb->last_read_, key);
    record = fb->current_;
  }
}

bool FileManager::StepInLeaf(FileBlock* fb, int key, Found& out) {
  const FileBlock::LeafPlace& at = fb->leaf_place_;
  if (at.key != key || at.page == 0 || at.changes != pool_->changes() || fb->position_key_ != key) return false;
  PinnedPage page = LoadPage(fb, key, at.page);
  if (!page || !page->IsLeaf() || at.index + 1 >= page->size()) return false;
  // The position may have been put back elsewhere (KeepPosition): the leaf
  // must still hold it where it was found.
  if (page->Record(at.index) != fb->position_record_ || page->KeyAt(at.index) != fb->position_text_)
    return false;
  out.ok = true;
  out.entry = page->EntryAt(at.index + 1);
  out.page = at.page;
  out.index = at.index + 1;
  // Records met in key order lie all over the file: while the walk reads
  // from the whole file in memory, the next steps' records are asked for now.
  const FileBlock::ReadAhead& ahead = fb->read_ahead_;
  if (ahead.first == 1 && ahead.writes == fb->dat_writes_) {
    const auto L = static_cast<std::size_t>(fb->record_length_);
    const std::size_t to = std::min(page->size(), at.index + 2 + kPrefetchedSteps);
    for (std::size_t i = at.index + 2; i < to; ++i) {
      const std::int32_t n = page->Record(i);
      if (n < ahead.first || n >= ahead.first + ahead.count) continue;
      const std::uint8_t* record = ahead.bytes.data() + static_cast<std::size_t>(n - ahead.first) * L;
      for (std::size_t line = 0; line < L; line += 64) Prefetch(record + line);
    }
  }
  return true;
}

void FileManager::RememberLeaf(FileBlock* fb, int key, const Found& f) {
  fb->leaf_place_ = FileBlock::LeafPlace{key, f.ok ? f.page : 0, f.index, pool_->changes()};
}

int FileManager::NextKey(FileBlock* fb, int key) {
  Found f;
  return Position(fb, Operation::kNext, key, [&](const Entry*& e) {
    if (fb->current_ < 1) return Fail(kNoCurrentRecord, fb, key);
    if (!StepInLeaf(fb, key, f)) {
      if (status_ > 0) return false;
      Key text;
      std::int32_t record;
      StartOfStep(fb, key, text, record);
      if (!LowerBound(fb, key, text, record, true, f)) return false;
    }
    RememberLeaf(fb, key, f);
    e = f.ok ? &f.entry : nullptr;
    return true;
  }, kEndOfIndex);
}

int FileManager::PrevKey(FileBlock* fb, int key) {
  Found f;
  return Position(fb, Operation::kPrev, key, [&](const Entry*& e) {
    if (fb->current_ < 1) return Fail(kNoCurrentRecord, fb, key);
    Key text;
    std::int32_t record;
    StartOfStep(fb, key, text, record);
    if (!Predecessor(fb, key, text, record, f)) return false;
    e = f.ok ? &f.entry : nullptr;
    return true;
  }, kEndOfIndex);
}

std::int32_t FileManager::RecordCount(FileBlock* fb) {
  if (!Begin(Operation::kCount, fb)) return End(), -1;
  std::int32_t n = -1;
  Run(fb, false, [&](int) {
    n = fb->header_.highest - fb->header_.deleted_count;
    return true;
  });
  return status_ == 0 ? n : -1;
}

std::uint64_t FileManager::ContentVersion(FileBlock* fb) {
  if (!Begin(Operation::kCount, fb)) return End(), 0;
  std::uint64_t version = 0;
  // Under the access lock: another process's change shows as a refresh.
  Run(fb, false, [&](int) {
    version = fb->dat_writes_;
    return true;
  });
  // 0 never matches a version taken before: a failure means "count anew".
  return status_ == 0 ? version + 1 : 0;
}

std::optional<FileManager::ChangeTally> FileManager::Changes(FileBlock* fb) {
  if (!Begin(Operation::kCount, fb)) return End(), std::nullopt;
  std::optional<ChangeTally> tally;
  Run(fb, false, [&](int) {
    if (fb->share_)
      tally = ChangeTally{fb->seen_counter_, fb->share_opening_,   fb->counted_ours_,
                          fb->counted_adds_, fb->counted_flushes_, fb->repairs_};
    return true;
  });
  if (status_ != 0) return std::nullopt;
  return tally;
}

std::optional<std::uint64_t> FileManager::OnlyOwnAdds(const ChangeTally& earlier, const ChangeTally& later) {
  if (later.opening != earlier.opening || later.repairs != earlier.repairs || later.ours < earlier.ours ||
      later.counter - earlier.counter != later.ours - earlier.ours)
    return std::nullopt;  // another process changed the files, or they were opened anew or repaired
  const std::uint64_t adds = later.adds - earlier.adds;
  if (later.ours - earlier.ours != adds + (later.flushes - earlier.flushes)) return std::nullopt;
  return adds;
}

// Deleting the files is only safe when no other process has them open.
int FileManager::EmptyFileBlock(FileBlock* fb) {
  if (!Begin(Operation::kEmpty, fb)) return End();
  CloseFiles(fb, false);
  OpenShare(fb);
  if (fb->share_) {
    if (!Access(fb, true)) return End();
    if (!AloneWithFiles(fb)) {
      // Others have the files open. Empty already: that is what was wanted
      // (the numbering starts at 1 again either way), and nobody has to wait.
      if (HoldsNoRecords(fb) || !WaitUntilAlone(fb)) return End();
    }
  }
  for (const char* ext : {".DAT", ".IX", ".VAR"}) fs_->Remove(fb->Path(ext));
  fb->current_ = -1;
  fb->position_key_ = 0;
  CountReplacedFiles(fb);
  return End();
}

int FileManager::ReplaceFiles(FileBlock* fb, FileBlock* work) {
  if (!Begin(Operation::kEmpty, fb)) return End();
  CloseFiles(work, true);
  CloseFiles(fb, true);
  if (status_ > 2) return End();
  OpenShare(fb);
  if (fb->share_) {
    if (!Access(fb, true) || !WaitUntilAlone(fb)) return End();
  }
  // The record file last: until it moves, the old one stands with an index
  // that no longer matches it, which the next open rebuilds.
  for (const char* ext : {".IX", ".VAR", ".DAT"}) {
    if (fs_->Exists(work->Path(ext))) {
      if (std::int32_t e = fs_->Rename(work->Path(ext), fb->Path(ext))) return Fail(e, fb), End();
    } else {
      fs_->Remove(fb->Path(ext));
    }
  }
  fb->current_ = -1;
  fb->position_key_ = 0;
  CountReplacedFiles(fb);
  return End();
}

bool FileManager::HoldsNoRecords(FileBlock* fb) {
  std::int32_t error = 0;
  auto dat = fs_->Open(fb->Path(".DAT"), false, error);
  if (!dat) return error == kFileNotFound;
  std::array<std::uint8_t, kDatHeaderSize> raw{};
  const IoResult r = dat->ReadAt(0, raw);
  if (r.error || r.bytes < raw.size()) return false;
  const DatHeader h = DecodeDatHeader(raw);
  return h.highest - h.deleted_count == 0 && h.record_length == fb->record_length_;
}

int FileManager::RebuildFileBlock(FileBlock* fb) {
  if (!Begin(Operation::kRebuild, fb)) return End();
  CloseFiles(fb, true);
  fb->current_ = -1;  // record numbers change: there is no current record afterwards
  fb->position_key_ = 0;
  if (status_ <= 2 && fs_->Exists(fb->Path(".DAT"))) {
    OpenShare(fb);
    if (fb->share_ && !Access(fb, true)) return End();
    if (RebuildWhereSafe(fb) && !fb->FilesOpen()) EnsureOpen(fb);
  } else if (status_ <= 2) {
    EnsureOpen(fb);
  }
  return End();
}

int FileManager::Flush(FileBlock* fb) {
  if (!Begin(Operation::kFlush, fb)) return End();
  if (fb->FilesOpen() && (!fb->share_ || Access(fb, true))) FlushFiles(fb);
  return End();
}

}  // namespace vek::store
