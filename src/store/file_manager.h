// The record store: fileblocks of fixed-length records with B-tree indexes,
// in the byte layout the suite's programs share (disk_format.h).
//
// Every operation resets the store status, ends with it set (0 success,
// 1 soft failure, 2 lock or device condition that persisted, 3 and above
// serious) and never throws. A serious failure runs the failure report (error
// log, stop message) through the injected shutdown handler and closes every
// fileblock; the manager refuses all further work afterwards.
//
// Crash safety: the being-changed byte of the record file header is made
// durable before the first write of a change; a flush makes every page, the
// descriptors and the header durable and only then clears the byte. A file
// found marked on open, with nobody alive answering for the mark, is
// rebuilt: the record file is reorganised (records whose first four bytes
// are 0 are in use, whatever the header says) and the index is built anew
// from the records. Writing a record slot is the one write that decides
// whether an add, rewrite or delete happened.
//
// Several processes on one fileblock. Beside NAME.DAT and NAME.IX lives
// NAME.LCK, which no layout byte of the suite touches: an 8-byte change
// counter, an in-change byte, and three one-byte lock ranges (locks owned by
// the open file, so they die with their process):
// - access (byte 0): every operation holds it, shared to read, exclusive to
//   change, open, create, repair or delete. A change writes everything it
//   made (pages, descriptors, header) before letting go and counts one up;
//   whoever finds the counter moved drops its cached pages and re-reads the
//   header and descriptors. Readers therefore never see half a change.
// - holder (byte 1): held shared by a process whose changes are not durable
//   yet (its being-changed byte stands). A marked record file whose holder
//   lock can be taken has no live writer behind it.
// - open (byte 2): held shared while the files are open. Replacing the
//   record file (the reorganising rebuild, emptying, replacing the files by
//   new ones) needs it exclusively, so nobody keeps writing into a file that
//   was moved away; with others present a damaged fileblock is repaired in
//   place instead (record numbers stay, deleted slots stay free).
// - in-change byte: set before the first write of a change, cleared with
//   the count. Found set under the exclusive access lock, it says a process
//   died in the middle of a change: the files are repaired before use.
// Lock conflicts are retried and asked about like every other (the lock
// question). Damage that a cheap check finds while an operation runs (a page
// that cannot stand in its tree, an entry pointing at a free slot, a broken
// free chain) is repaired in place and the operation runs once more; only
// damage that outlives its repair is a serious failure. A repair never drops
// a record silently: what it cannot keep goes to NAME.MSG, the record file
// as it was to NAME.BAK, and TakeRepairNotes tells the caller.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/record_bytes.h"
#include "store/file_block.h"
#include "store/os_file.h"
#include "store/page_pool.h"
#include "store/store_errors.h"

namespace vek::store {

enum class Operation : std::uint16_t {
  kNone = 0, kInit, kOpen, kClose, kDefineKey, kSetAutoNumber, kAdd, kPut, kDelete,
  kFind, kSearch, kFirst, kLast, kNext, kPrev, kCount, kEmpty, kFindOpen, kFlush, kRebuild,
  kFill,
};

struct FailureEntry {
  int error_class = 0;
  std::int32_t error = 0;
  Operation operation = Operation::kNone;
  int key = 0;
  std::int32_t record = 0;
  std::string file_name;  // empty when the failure concerns no fileblock
};

// What the shutdown handler gets after a serious failure: the stop message
// (already in the user's language) and the entries that led to it.
struct StopReport {
  std::int32_t displayed_error = 0;
  Text message;
  std::vector<FailureEntry> entries;
};

using LockQuestionRoutine = std::function<bool(const std::string& display_name, LockQuestion type)>;

struct StoreEnvironment {
  OsFileSystem* fs = nullptr;  // the machine's when null
  const Clock* clock = nullptr;  // local time for the error log; the system clock when null
  std::function<void(std::chrono::milliseconds)> sleep;  // a real sleep when empty
  std::function<int(int)> random;                        // 0..n-1; std::rand when empty
  std::function<void(const StopReport&)> shutdown;       // nothing when empty
  bool german = true;
  // Building every index at once goes through an image of the index file
  // from this many bytes on (below, page by page: a small build has few).
  std::uint64_t index_image_from = 4ull << 20;
};

// The keys of one index for every record, while all indexes are built at once.
struct KeyColumn;

class FileManager {
 public:
  explicit FileManager(StoreEnvironment env = {});
  ~FileManager();
  FileManager(const FileManager&) = delete;
  FileManager& operator=(const FileManager&) = delete;

  // The page pool is no part of any file. 16,384 pages hold most of the
  // index pages that adds to a 100,000-contact log touch (160 made almost
  // every insert of a renumbering load and evict; 4,096 left a fifth of an
  // add to reading and decoding pages). Frames hold pages as their file
  // bytes and are taken only as pages are read, so a log of contest size uses
  // a few megabytes; a full pool about 20.
  static constexpr int kPageBuffers = 16384;
  // Records read at once when a walk reads on in slot order.
  static constexpr int kReadAheadRecords = 64;
  // Steps of one held walk that read records all over the record file,
  // after which the whole file (up to kWholeFileBytes) is read at once.
  static constexpr int kScatteredBeforeWhole = 256;
  static constexpr std::uint64_t kWholeFileBytes = 64ull << 20;
  int InitFileManager(int page_buffers = kPageBuffers, int open_file_limit = 32);
  void ExitFileManager();

  FileBlock* OpenFileBlock(const std::string& file_name, const std::string& display_name, int record_length,
                           int buffer_length, std::uint8_t* buffer, int key_count, KeyBuilder builder,
                           int retry_limit = 32, bool rebuild_allowed = true, bool variable_length = false);
  int CloseFileBlock(FileBlock* fb);
  int DefineKey(FileBlock* fb, int key, int length, bool duplicates);
  int SetAutoNumber(FileBlock* fb, int key, std::size_t field_offset);
  void SetFlushAfterWrite(FileBlock* fb, bool flush);
  Bytes RecordBuffer(FileBlock* fb) { return fb->buffer(); }
  void ClearRecord(FileBlock* fb);
  Key MakeKey(FileBlock* fb, int key);

  int AddRecord(FileBlock* fb);
  int PutRecord(FileBlock* fb);
  int DeleteRecord(FileBlock* fb, int reposition = 0);
  // Position. A fileblock has one position: an index, the key text and the
  // record of the entry it stands on, and the current record whose bytes
  // the record buffer holds.
  // - FindKey, SearchKey, SearchEntry, FirstKey, LastKey, NextKey and
  //   PrevKey that land move the position and fill the buffer; one that
  //   finds nothing leaves position and buffer as they were.
  // - NextKey and PrevKey step from the position when it is on their index,
  //   else from the current record's entry in theirs.
  // - PutRecord and DeleteRecord act on the current record; AddRecord makes
  //   the added record current. None of them moves the position of a walk
  //   elsewhere, but DeleteRecord leaves no current record.
  // - A look-up on the same fileblock inside a walk moves the walk's
  //   position: the walk's next step continues from wherever the look-up
  //   landed. Code that looks up inside a walk keeps the position with
  //   KeepPosition (below).
  int FindKey(FileBlock* fb, int key, std::string_view text);
  int SearchKey(FileBlock* fb, int key, std::string_view text);
  // Positions on the first entry at or after (text, record) in index `key`:
  // a list goes back to the very row it showed, even among equal keys.
  int SearchEntry(FileBlock* fb, int key, std::string_view text, std::int32_t record);
  int FirstKey(FileBlock* fb, int key);
  int LastKey(FileBlock* fb, int key);
  int NextKey(FileBlock* fb, int key);
  int PrevKey(FileBlock* fb, int key);
  std::int32_t RecordCount(FileBlock* fb);
  // Changes whenever the records may have changed since the last call: a
  // write of ours, another process's change, the files reopened. Equal
  // values mean a count taken in between still holds.
  std::uint64_t ContentVersion(FileBlock* fb);
  // The change counter that every process of this program counts up after
  // a change, with this process's share of it. Two tallies tell whether
  // everything between them was this process's own adds (and flushes).
  struct ChangeTally {
    std::uint64_t counter = 0;
    std::uint64_t opening = 0;  // which opening of the share file the shares below belong to
    std::uint64_t ours = 0, adds = 0, flushes = 0, repairs = 0;
  };
  // Nothing when the files are not shared through a change counter (another
  // program's change could not be told then) or the counter cannot be read.
  std::optional<ChangeTally> Changes(FileBlock* fb);
  // The records that `later` added to `earlier` when every change counted
  // between them was an add or a flush of this process; nothing otherwise.
  static std::optional<std::uint64_t> OnlyOwnAdds(const ChangeTally& earlier, const ChangeTally& later);
  int EmptyFileBlock(FileBlock* fb);
  FileBlock* FindOpenFileBlock(std::string_view display_name);
  // Writes what is buffered and makes it durable (also done by close and,
  // with flush-after-write, by every change).
  int Flush(FileBlock* fb);
  // A run of reads on an open fileblock (the probes of one prefix lookup)
  // keeps its shared access between operations instead of locking and
  // checking the change counter for each; other processes' changes wait
  // until EndReading. False when the access could not be had (the reads then
  // lock each on their own).
  bool HoldReading(FileBlock* fb);
  void EndReading(FileBlock* fb);
  bool ReadingHeld(const FileBlock* fb) const { return fb && fb->reading_held_; }
  // Puts the files of `work` (a fileblock of the same layout, closed here)
  // in the place of fb's, once nobody else has fb's files open; fb's old
  // files are gone afterwards. Class 2 while another process holds them.
  int ReplaceFiles(FileBlock* fb, FileBlock* work);
  // Reorganises the record file and builds every index anew, as an open does
  // when it finds the files inconsistent.
  int RebuildFileBlock(FileBlock* fb);
  // Many records into an empty fileblock at once (a renumbering refills a
  // whole log): between BeginFill and EndFill, AddRecord puts each record in
  // the next slot with the automatic numbers and the refusal of a unique key
  // that one add after the other would give, and EndFill builds every index
  // by sorting, as a rebuild does. The files then hold what the adds one by
  // one would have left, except how the entries spread over index pages.
  // The exclusive access is held from BeginFill to EndFill, so no other
  // process sees a half-built index; no other operation may use the
  // fileblock in between. A fill cut short (a crash, a close without
  // EndFill) leaves the being-changed mark, and the next open rebuilds.
  int BeginFill(FileBlock* fb);
  int EndFill(FileBlock* fb);

  // The position of a fileblock as a value (for KeepPosition).
  struct SavedPosition {
    std::int32_t current = -1;
    int key = 0;
    Key text;
    std::int32_t record = -1;
    std::vector<std::uint8_t> last_read;
  };
  SavedPosition SavePosition(const FileBlock* fb) const;
  void RestorePosition(FileBlock* fb, SavedPosition saved);

  // A repair that had to give up something: how many records went to the
  // .MSG report and where the record file was copied before (empty: none).
  struct RepairNote {
    std::string file_name;
    int records_dropped = 0;
    std::string copy;
  };
  // The repairs since the last call, each once; repairs that lost nothing
  // are left out.
  std::vector<RepairNote> TakeRepairNotes();

  void SetErrorLogName(std::string name) { error_log_ = std::move(name); }
  const std::string& error_log_name() const { return error_log_; }
  void SetLockQuestion(LockQuestionRoutine routine) { lock_question_ = std::move(routine); }
  bool HasLockQuestion() const { return static_cast<bool>(lock_question_); }

  int Status() const { return status_; }
  std::int32_t ErrorNumber() const { return error_; }
  const std::vector<FailureEntry>& Failures() const { return failures_; }
  bool started() const { return started_; }
  bool stopped() const { return stopped_; }
  int OpenFileHandles() const { return handles_in_use_; }
  const PagePool* pool() const { return pool_.get(); }
  OsFileSystem& file_system() { return *fs_; }

 private:
  // --- operation frame and failures (file_manager.cpp) ---
  bool Begin(Operation op, FileBlock* fb);
  int End();
  bool Fail(std::int32_t error, FileBlock* fb, int key = 0, std::int32_t record = 0);
  void SeriousFailure();
  std::string LogStamp() const;  // "dd/mm/yyyy  hh:mm" for the error log
  std::int32_t Retry(FileBlock* fb, bool opening, const std::function<std::int32_t()>& step);
  bool Read(FileBlock* fb, OsFile& file, std::uint64_t offset, std::span<std::uint8_t> out);
  bool Write(FileBlock* fb, OsFile& file, std::uint64_t offset, std::span<const std::uint8_t> data);
  bool Sync(FileBlock* fb, OsFile& file);

  // --- files (file_manager_files.cpp) ---
  bool EnsureOpen(FileBlock* fb);
  bool OpenFiles(FileBlock* fb);
  enum class OpenOutcome { kOpened, kMissing, kNeedsRebuild, kFailed };
  OpenOutcome TryOpenFiles(FileBlock* fb);
  std::int32_t OpenWithRetry(FileBlock* fb, const char* extension, bool create, std::unique_ptr<OsFile>& file);
  bool CreateFiles(FileBlock* fb);
  void CloseFiles(FileBlock* fb, bool flush);
  bool MakeRoomForHandles(FileBlock* fb);
  void RecoverInterruptedWork(FileBlock* fb);
  bool Rebuild(FileBlock* fb);
  bool WriteEmptyIndex(FileBlock* fb);
  class PageSink;
  bool BulkLoad(FileBlock* fb, int key, const KeyColumn& column, const std::vector<std::int32_t>& records,
                const std::vector<std::uint32_t>& order, PageSink& sink);
  bool Reorganise(FileBlock* fb);
  void ReportRebuildRefusal(FileBlock* fb, const Key& key, int key_number, std::int32_t record,
                            ConstBytes bytes);
  bool BuildIndexes(FileBlock* fb);
  void CloseFilesKeepingShare(FileBlock* fb);
  bool RebuildWhereSafe(FileBlock* fb);
  bool HoldsNoRecords(FileBlock* fb);

  // --- sharing with other processes (file_manager_sharing.cpp) ---
  // The lock ranges of the share file (see the top of this file).
  static constexpr std::uint64_t kAccessByte = 0, kHolderByte = 1, kOpenByte = 2;
  void OpenShare(FileBlock* fb);
  std::int32_t LockShare(FileBlock* fb, std::uint64_t byte, bool exclusive);
  bool TryShareLock(FileBlock* fb, std::uint64_t byte);
  bool ReadShare(FileBlock* fb, std::uint64_t& counter, bool& in_change);
  bool WriteShare(FileBlock* fb, std::uint64_t counter, bool in_change);
  bool Access(FileBlock* fb, bool exclusive);
  void ReleaseAccess(FileBlock* fb);
  void ReleaseAllAccess();
  bool NoteWriting(FileBlock* fb);
  void LetGoOfHolder(FileBlock* fb);
  bool HoldOpen(FileBlock* fb);
  void LetGoOfOpen(FileBlock* fb);
  bool AloneWithFiles(FileBlock* fb);
  bool WaitUntilAlone(FileBlock* fb);
  void CountReplacedFiles(FileBlock* fb);
  bool MarkIsCrash(FileBlock* fb);
  bool Refresh(FileBlock* fb);
  bool PlausibleDescriptor(const Descriptor& d, const DatHeader& h) const;
  bool WriteThrough(FileBlock* fb);
  bool RepairInPlace(FileBlock* fb);
  bool ThreadSlots(FileBlock* fb);
  std::vector<bool> FreeChainOf(FileBlock* fb, OsFile& dat, const DatHeader& h, std::int64_t slots);
  void ReportDroppedRecord(FileBlock* fb, const std::string& what, ConstBytes bytes);
  void CopyToBackup(FileBlock* fb);
  void StartRepairNote(FileBlock* fb);
  // A cheap check found the index or a free chain damaged: the operation
  // stops with kDamageFound and Run repairs the fileblock.
  bool Damage(FileBlock* fb, int key, std::int32_t at);
  // Runs an operation's body on the fileblock's files under the access lock
  // (exclusive for a change); a damage found on the way is repaired and the
  // body runs once more (its argument says which run it is).
  int Run(FileBlock* fb, bool change, const std::function<bool(int run)>& body);
  bool PlausiblePage(FileBlock* fb, int key, const IndexPage& page) const;
  bool BeginChange(FileBlock* fb);
  bool FlushFiles(FileBlock* fb);
  bool WriteHeader(FileBlock* fb);
  bool LockFiles(FileBlock* fb);
  void UnlockFiles(FileBlock* fb);
  bool ValidChains(FileBlock* fb);

  // --- records (file_manager.cpp) ---
  // `walking`: a step of a walk under a held reading (see ReadAhead).
  bool ReadRecord(FileBlock* fb, std::int32_t number, std::span<std::uint8_t> out, bool walking = false);
  bool WriteRecord(FileBlock* fb, std::int32_t number, ConstBytes data);
  bool TakeSlot(FileBlock* fb, std::int32_t& number);
  bool FreeSlot(FileBlock* fb, std::int32_t number);
  Key BuildKey(FileBlock* fb, ConstBytes record, int key);
  bool EnterAllKeys(FileBlock* fb, ConstBytes record, std::int32_t number);
  bool ComputeAutoNumbers(FileBlock* fb);
  // --- filling (file_manager_fill.cpp) ---
  bool FillOneRecord(FileBlock* fb);
  void NoteMissingEntry(FileBlock* fb, int key, std::int32_t record);
  int Position(FileBlock* fb, Operation op, int key, const std::function<bool(const Entry*&)>& find,
               std::int32_t not_found_error);
  bool Land(FileBlock* fb, int key, const Entry& e, bool walking = false);
  void StartOfStep(FileBlock* fb, int key, Key& text, std::int32_t& record);

  // --- B-trees (btree.cpp) ---
  struct Found {
    bool ok = false;  // an entry was found
    Entry entry;
    std::int32_t page = 0;  // the leaf it was found in (0: an inner page)
    std::size_t index = 0;  // its place there
  };
  // A step to the next entry from where the last one was found in its leaf,
  // without a descent from the root; false when only a descent can tell.
  bool StepInLeaf(FileBlock* fb, int key, Found& out);
  void RememberLeaf(FileBlock* fb, int key, const Found& f);
  std::int32_t descending_page_ = 0;  // the page Descend's step looks at
  std::vector<std::uint8_t> landing_;  // Land's read buffer, traded with the last read record
  bool Insert(FileBlock* fb, int key, const Key& text, std::int32_t record, bool& duplicate);
  bool Remove(FileBlock* fb, int key, const Key& text, std::int32_t record, bool& found);
  bool LowerBound(FileBlock* fb, int key, const Key& text, std::int32_t record, bool strict, Found& out);
  bool Predecessor(FileBlock* fb, int key, const Key& text, std::int32_t record, Found& out);
  bool Edge(FileBlock* fb, int key, bool last, Found& out);
  bool Descend(FileBlock* fb, int key, const std::function<std::int32_t(const IndexPage&)>& step);
  PinnedPage LoadPage(FileBlock* fb, int key, std::int32_t number);
  PinnedPage NewPage(FileBlock* fb, int key, IndexPage&& page);
  bool FreePage(FileBlock* fb, int key, std::int32_t number);
  bool WritePage(PageFrame& frame);
  bool InsertInto(FileBlock* fb, int key, std::int32_t page, const Entry& e, bool& split, Entry& up, int depth);
  bool RemoveFrom(FileBlock* fb, int key, std::int32_t page, const Key& text, std::int32_t record, bool& found,
                  int depth);
  bool RemoveLast(FileBlock* fb, int key, std::int32_t page, Entry& out, int depth);
  bool FixChild(FileBlock* fb, int key, PinnedPage& parent, std::size_t i);
  int MinEntries(FileBlock* fb, int key) const;

  StoreEnvironment env_;
  OsFileSystem* fs_;
  std::unique_ptr<PagePool> pool_;
  std::list<std::unique_ptr<FileBlock>> blocks_;
  std::uint64_t next_id_ = 1;
  std::uint64_t use_clock_ = 0;
  int open_file_limit_ = 32;
  int handles_in_use_ = 0;
  std::uint64_t share_openings_ = 0;
  bool started_ = false;
  bool stopped_ = false;
  std::string error_log_ = "IFDErr.Dmp";
  LockQuestionRoutine lock_question_;

  int status_ = 0;
  std::int32_t error_ = 0;
  std::vector<FailureEntry> failures_;
  Operation operation_ = Operation::kNone;
  FileBlock* initial_ = nullptr;
  bool rebuilding_ = false;  // a marked record file is opened on purpose
  std::vector<FileBlock*> accessed_;  // fileblocks whose access lock the running operation holds
  std::vector<RepairNote> repairs_;
};

// Keeps a fileblock's record buffer for its owner while a search moves it:
// the buffer is copied now and put back when the keeper goes.
class KeepRecordBuffer {
 public:
  KeepRecordBuffer(FileManager& fm, FileBlock* fb) : buffer_(fm.RecordBuffer(fb)), copy_(buffer_.begin(), buffer_.end()) {}
  ~KeepRecordBuffer() { std::copy(copy_.begin(), copy_.end(), buffer_.begin()); }
  KeepRecordBuffer(const KeepRecordBuffer&) = delete;
  KeepRecordBuffer& operator=(const KeepRecordBuffer&) = delete;

 private:
  Bytes buffer_;
  std::vector<std::uint8_t> copy_;
};

// A walk's reads under one shared access (HoldReading) instead of a lock,
// an unlock and a counter read per step; a hold already taken stays.
class HeldReading {
 public:
  HeldReading(FileManager& fm, FileBlock* fb)
      : fm_(fm), fb_(!fm.ReadingHeld(fb) && fm.HoldReading(fb) ? fb : nullptr) {}
  ~HeldReading() {
    if (fb_) fm_.EndReading(fb_);
  }
  HeldReading(const HeldReading&) = delete;
  HeldReading& operator=(const HeldReading&) = delete;

 private:
  FileManager& fm_;
  FileBlock* fb_;
};

// Keeps a fileblock's position and record buffer for a walk while a look-up
// inside it moves them: both are put back when the keeper goes, so the
// walk's next step continues where it was.
class KeepPosition {
 public:
  KeepPosition(FileManager& fm, FileBlock* fb) : fm_(fm), fb_(fb), buffer_(fm, fb), saved_(fm.SavePosition(fb)) {}
  ~KeepPosition() { fm_.RestorePosition(fb_, std::move(saved_)); }
  KeepPosition(const KeepPosition&) = delete;
  KeepPosition& operator=(const KeepPosition&) = delete;

 private:
  FileManager& fm_;
  FileBlock* fb_;
  KeepRecordBuffer buffer_;
  FileManager::SavedPosition saved_;
};

}  // namespace vek::store
