#include "refdata/suite_files.h"

#include <array>

#include "base/record_bytes.h"
#include "refdata/prefix_record.h"

namespace vek {
namespace {

using store::FileBlockSpec;
using store::Key;
using store::KeyShape;

Key Running(ConstBytes r) { return store::LongToKey(GetI32(r, 4)); }
Key Padded(ConstBytes r, std::size_t offset, std::size_t width, std::size_t pad) {
  return PadRight(GetText(r, offset, width + 1), pad);
}
Key Zeros(ConstBytes r, std::size_t offset, std::size_t width, std::size_t digits) {
  Text t = GetText(r, offset, width + 1);
  if (t.size() < digits) t = Text(digits - t.size(), '0') + t;
  return t;
}

// Call book QVCBUCH (333 bytes): call at 4 (text 10), numbered fields.
Key CallBookKey(ConstBytes r, int k) {
  switch (k) {
    case 1: return Padded(r, 4, 10, 10);
    case 2: return Padded(r, 29, 6, 6);
    case 3: return Padded(r, 22, 6, 6);
    case 4: return Padded(r, 96, 10, 10);
    case 5: return Padded(r, 43, 20, 20);
    case 6: return Zeros(r, 107, 4, 4);
    case 7: return Padded(r, 299, 8, 8) + Padded(r, 4, 10, 10);
    case 8: return Padded(r, 233, 10, 6);
    case 9: return Padded(r, 244, 10, 6);
    case 10: return Padded(r, 255, 10, 6);
    case 11: return Padded(r, 266, 10, 6);
    case 12: return Padded(r, 277, 10, 6);
    case 13: return Padded(r, 288, 10, 6);
    default: return {};
  }
}

// Call list QVCALL (71 bytes).
Key CallListKey(ConstBytes r, int k) {
  switch (k) {
    case 1: return Padded(r, 4, 10, 10);
    case 2: return Padded(r, 15, 5, 5);
    case 3: return Padded(r, 21, 5, 5);
    case 4: return Padded(r, 27, 10, 10);
    case 5: return std::string(1, static_cast<char>(GetU8(r, 37)));
    case 6: return Zeros(r, 59, 5, 5);
    case 7: return Padded(r, 65, 3, 3);
    default: return {};
  }
}

std::vector<KeyShape> Shapes(std::initializer_list<KeyShape> shapes) { return shapes; }

}  // namespace

FileBlockSpec SuiteFileSpec(SuiteFile file) {
  FileBlockSpec s;
  switch (file) {
    case SuiteFile::kSetup:
    case SuiteFile::kSetup2:
      s.file_name = file == SuiteFile::kSetup ? "QVSETUP" : "QVSETUP2";
      s.record_length = file == SuiteFile::kSetup ? 3530 : 50408;
      s.keys = Shapes({{5, false}});
      s.builder = [](ConstBytes r, int) { return Running(r); };
      s.auto_number_key = 1;
      s.flush_after_write = true;
      break;
    case SuiteFile::kProfiles:
      s.file_name = "QVPRO";
      s.record_length = 14699;
      s.buffer_length = 54699;
      s.variable_length = true;
      s.keys = Shapes({{5, false}, {20, true}});
      s.builder = [](ConstBytes r, int k) { return k == 1 ? Running(r) : Padded(r, 8, 20, 20); };
      s.auto_number_key = 1;
      s.flush_after_write = true;
      break;
    case SuiteFile::kPrefixes:
      s.file_name = "QVPREFIX";
      s.record_length = prefix_record::kLength;
      s.keys = Shapes({{6, true}, {12, true}, {9, true}, {8, true}, {8, true}, {8, true}, {36, true},
                       {14, true}, {13, true}, {7, true}, {6, true}, {6, true}, {5, true}, {7, true}});
      s.builder = prefix_record::PrefixKey;
      break;
    case SuiteFile::kPrefixOverrides1:
    case SuiteFile::kPrefixOverrides2:
      s.file_name = file == SuiteFile::kPrefixOverrides1 ? "QVPREFEE" : "QVPREFES";
      s.record_length = prefix_record::kLength;
      s.keys = Shapes({{6, false}, {12, true}, {9, true}, {8, true}, {8, true}, {8, true}, {36, true}, {14, true},
                       {13, true}, {7, true}, {6, true}, {6, true}});
      s.builder = prefix_record::PrefixKey;
      break;
    case SuiteFile::kCallBook:
      s.file_name = "QVCBUCH";
      s.record_length = 333;
      s.keys = Shapes({{10, false}, {6, true}, {6, true}, {10, true}, {20, true}, {4, true}, {18, true}, {6, true},
                       {6, true}, {6, true}, {6, true}, {6, true}, {6, true}});
      s.builder = CallBookKey;
      break;
    case SuiteFile::kCallList:
      s.file_name = "QVCALL";
      s.record_length = 71;
      s.keys = Shapes({{10, false}, {5, true}, {5, true}, {10, true}, {1, true}, {5, true}, {3, true}});
      s.builder = CallListKey;
      break;
  }
  return s;
}

const std::string& SuiteFileName(SuiteFile file) {
  static const std::array<std::string, 8> names = [] {
    std::array<std::string, 8> n;
    for (std::size_t i = 0; i < n.size(); ++i) n[i] = SuiteFileSpec(static_cast<SuiteFile>(i)).file_name;
    return n;
  }();
  return names[static_cast<std::size_t>(file)];
}

store::FileBlock* SuiteFiles::OpenSuiteFile(SuiteFile file) {
  auto it = open_.find(SuiteFileName(file));
  if (it != open_.end() && opener_.OpenAgain(it->second)) return it->second;
  return OpenSpec(SuiteFileSpec(file));
}

store::FileBlock* SuiteFiles::OpenSpec(const store::FileBlockSpec& spec) {
  store::FileBlock* fb = opener_.Open(spec);
  if (fb) open_[spec.file_name] = fb;
  return fb;
}

void SuiteFiles::CloseName(const std::string& file_name) {
  auto it = open_.find(file_name);
  if (it == open_.end()) return;  // closing a file that is not open does nothing
  store::FileBlock* fb = it->second;
  if (opener_.UseCount(fb) <= 0) open_.erase(it);
  opener_.Close(fb);
}

int SuiteFiles::UseCount(const std::string& file_name) const {
  auto it = open_.find(file_name);
  return it == open_.end() ? -1 : opener_.UseCount(it->second) + 1;
}

}  // namespace vek
