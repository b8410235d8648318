// The layout the store fuzz target and its seed generator share: a fuzz
// input is a 2-byte length of the record file, the record file, then the
// index file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/record_bytes.h"
#include "base/text.h"
#include "store/file_manager.h"
#include "store/keys.h"

namespace vek::fuzz {

constexpr int kRecordLength = 40;
constexpr int kKeys = 3;

inline store::Key FuzzKey(ConstBytes r, int k) {
  switch (k) {
    case 1: return store::LongToKey(GetI32(r, 4));
    case 2: return PadRight(GetText(r, 8, 11), 10);
    default: return GetText(r, 20, 8);
  }
}

inline store::FileBlock* OpenFuzzBlock(store::FileManager& fm) {
  store::FileBlock* fb = fm.OpenFileBlock("F", "F", kRecordLength, kRecordLength, nullptr, kKeys, FuzzKey);
  if (!fb) return nullptr;
  fm.DefineKey(fb, 1, 5, false);
  fm.DefineKey(fb, 2, 10, true);
  fm.DefineKey(fb, 3, 7, false);
  fm.SetAutoNumber(fb, 1, 4);
  fm.SetFlushAfterWrite(fb, true);
  return fb;
}

}  // namespace vek::fuzz
