#include "store/file_block_opener.h"

namespace vek::store {

bool FileBlockOpener::OpenAgain(FileBlock* fb) {
  auto it = uses_.find(fb);
  if (it == uses_.end()) return false;
  ++it->second;
  return true;
}

FileBlock* FileBlockOpener::Open(const FileBlockSpec& spec) {
  FileBlock* fb = fm_.FindOpenFileBlock(spec.file_name);
  if (fb && uses_.count(fb)) {
    ++uses_[fb];
    return fb;
  }
  const int buffer_length = spec.buffer_length > 0 ? spec.buffer_length : spec.record_length;
  fb = fm_.OpenFileBlock(spec.file_name, spec.file_name, spec.record_length, buffer_length, nullptr,
                         static_cast<int>(spec.keys.size()), spec.builder, 32, true, spec.variable_length);
  if (!fb) return nullptr;
  for (std::size_t k = 0; k < spec.keys.size() && fm_.Status() == 0; ++k)
    fm_.DefineKey(fb, static_cast<int>(k) + 1, spec.keys[k].length, spec.keys[k].duplicates);
  if (fm_.Status() == 0 && spec.auto_number_key > 0)
    fm_.SetAutoNumber(fb, spec.auto_number_key, spec.auto_number_offset);
  if (fm_.Status() != 0) {
    fm_.CloseFileBlock(fb);
    return nullptr;
  }
  fm_.SetFlushAfterWrite(fb, spec.flush_after_write);
  uses_[fb] = 0;
  return fb;
}

void FileBlockOpener::Close(FileBlock* fb) {
  auto it = uses_.find(fb);
  if (it == uses_.end()) return;
  if (it->second > 0) {
    --it->second;
    return;
  }
  uses_.erase(it);
  fm_.CloseFileBlock(fb);
}

int FileBlockOpener::UseCount(FileBlock* fb) const {
  auto it = uses_.find(fb);
  return it == uses_.end() ? -1 : it->second;
}

}  // namespace vek::store
