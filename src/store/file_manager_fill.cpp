// Filling an empty fileblock in bulk: records go to their slots one after
// the other, and the indexes are sorted and built once at the end instead of
// taking one insert per record and key (a renumbering of a 100,000-contact
// log otherwise spends most of its time loading and writing index pages).
#include <algorithm>

#include "store/file_manager.h"

namespace vek::store {

bool FileBlock::KeyLess::operator()(const Key& a, const Key& b) const { return CompareKeys(a, b) < 0; }

int FileManager::BeginFill(FileBlock* fb) {
  if (!Begin(Operation::kFill, fb)) return End();
  if (fb->filling_) return End();
  if (!EnsureOpen(fb) || !Access(fb, true)) return End();
  bool untouched = fb->header_.highest == 0 && fb->header_.deleted_count == 0;
  for (int k = 1; k <= fb->key_count_; ++k)
    untouched = untouched && fb->descriptors_[k].page_count == 0 && fb->descriptors_[k].root == 0;
  // Records already there mean the emptying did not happen (another program
  // kept the files): filling on top of them would double them.
  if (!untouched) return Fail(kLockedFileBlock, fb), End();
  if (!LockFiles(fb)) return End();
  if (!BeginChange(fb)) {
    UnlockFiles(fb);
    return End();
  }
  fb->filling_ = std::make_unique<FileBlock::Filling>();
  fb->current_ = -1;
  fb->position_key_ = 0;
  return End();
}

bool FileManager::FillOneRecord(FileBlock* fb) {
  Bytes buffer = fb->buffer();
  if (GetI32(buffer, 0) != 0) return Fail(kReservedBytesSet, fb);
  if (!ComputeAutoNumbers(fb)) return false;
  FileBlock::Filling& filling = *fb->filling_;
  std::vector<std::pair<int, Key>> unique;
  for (int k = 1; k <= fb->key_count_; ++k) {
    if (fb->keys_[k].duplicates) continue;
    Key key = BuildKey(fb, buffer, k);
    if (filling.unique[k].count(key) != 0) return Fail(kDuplicateKey, fb, k);
    unique.emplace_back(k, std::move(key));
  }
  std::int32_t number = 0;
  if (!TakeSlot(fb, number) || !WriteRecord(fb, number, buffer)) return false;
  for (auto& [k, key] : unique) filling.unique[k].insert(std::move(key));
  for (int k = 1; k <= fb->key_count_; ++k)
    if (fb->keys_[k].auto_number_offset >= 0) filling.numbered[k].insert(BuildKey(fb, buffer, k));
  std::copy(buffer.begin(), buffer.end(), fb->last_read_.begin());
  fb->current_ = number;
  fb->position_key_ = 0;
  return true;
}

int FileManager::EndFill(FileBlock* fb) {
  if (!Begin(Operation::kFill, fb)) return End();
  if (!fb->filling_) return End();
  fb->filling_.reset();
  StartRepairNote(fb);
  // The header first: the index build reads the records up to its highest slot.
  if (WriteHeader(fb) && BuildIndexes(fb)) FlushFiles(fb);
  UnlockFiles(fb);
  fb->current_ = -1;
  fb->position_key_ = 0;
  return End();
}

}  // namespace vek::store
