// Opening a fileblock the way every owner of a record layout does: a second
// opener of the same file shares the first one's fileblock and buffer (the
// first configuration holds), and only the last close really closes it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "store/file_manager.h"

namespace vek::store {

struct KeyShape {
  int length = 0;
  bool duplicates = false;
};

struct FileBlockSpec {
  std::string file_name;
  int record_length = 0;  // the fixed section of a variable-length record
  int buffer_length = 0;  // 0: the record length
  std::vector<KeyShape> keys;  // keys[0] is key 1
  KeyBuilder builder;
  int auto_number_key = 0;  // 0: none
  std::size_t auto_number_offset = 4;
  bool flush_after_write = false;
  bool variable_length = false;
};

class FileBlockOpener {
 public:
  explicit FileBlockOpener(FileManager& fm) : fm_(fm) {}
  // nullptr when the store refuses (its status says why).
  FileBlock* Open(const FileBlockSpec& spec);
  // Lowers the use count; closes the fileblock when no other opener remains.
  void Close(FileBlock* fb);
  int UseCount(FileBlock* fb) const;
  // One more use of a fileblock this opener has open; false when it has not.
  bool OpenAgain(FileBlock* fb);

 private:
  FileManager& fm_;
  std::map<FileBlock*, int> uses_;  // further openers beyond the first
};

}  // namespace vek::store
