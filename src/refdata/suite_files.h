// The suite's shared files this program opens, with their record lengths,
// keys and running numbers, and the shared open and close that keeps "one
// fileblock and one buffer per file for the whole program".
#pragma once

#include <map>

#include "store/file_block_opener.h"
#include "store/file_manager.h"

namespace vek {

enum class SuiteFile { kSetup, kSetup2, kProfiles, kPrefixes, kPrefixOverrides1, kPrefixOverrides2, kCallBook, kCallList };

store::FileBlockSpec SuiteFileSpec(SuiteFile file);
const std::string& SuiteFileName(SuiteFile file);

// Opens and closes the suite files (and, through OpenSpec, the catalogue and
// log files of the other layers) with use counts: nested users share one
// fileblock and one buffer.
class SuiteFiles {
 public:
  explicit SuiteFiles(store::FileManager& fm) : fm_(fm), opener_(fm) {}

  // Open already: one more use, without building the layout again (a
  // prefix lookup opens its three tables a few times per call).
  store::FileBlock* OpenSuiteFile(SuiteFile file);
  void CloseSuiteFile(SuiteFile file) { CloseName(SuiteFileName(file)); }

  store::FileBlock* OpenSpec(const store::FileBlockSpec& spec);
  void CloseName(const std::string& file_name);
  int UseCount(const std::string& file_name) const;

  store::FileManager& fm() { return fm_; }

 private:
  store::FileManager& fm_;
  store::FileBlockOpener opener_;
  std::map<std::string, store::FileBlock*> open_;
};

}  // namespace vek
