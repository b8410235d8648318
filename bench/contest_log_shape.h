// Contest-log-shaped records for the store benchmarks: 216 bytes, the 27
// key shapes of a contest log, calls from a real list of contest calls where
// one is installed.
#pragma once

#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "base/record_bytes.h"
#include "base/text.h"
#include "store/keys.h"

namespace vek::bench {

constexpr int kRecordLength = 216;
constexpr int kKeyCount = 27;
struct KeyShape {
  int length;
  bool duplicates;
};
// Key lengths and duplicate flags of the 27 keys of a contest log.
constexpr KeyShape kShapes[kKeyCount + 1] = {
    {0, false}, {8, true},  {22, true}, {14, true}, {5, false}, {6, true}, {14, true}, {1, true},
    {6, true},  {21, true}, {7, true},  {6, true},  {6, true},  {5, true}, {2, true},  {2, true},
    {2, true},  {2, true},  {8, true},  {6, true},  {6, true},  {9, true}, {7, true},  {7, true},
    {6, true},  {3, true},  {3, true},  {7, true}};

// Field offsets of the benchmark's own record (not the log file's layout).
enum : std::size_t {
  kEntryNo = 4, kDate = 8, kTime = 12, kCall = 16 /*15*/, kLocator = 31 /*7*/, kBand = 38, kMode = 39 /*7*/,
  kPrefix = 46 /*7*/, kSerial = 53, kBandNo = 57, kModeNo = 61, kClass1 = 65, kClass2 = 66, kDok = 67 /*9*/,
  kMulti = 76 /*7*/, kSecond = 83 /*7*/, kWpx = 90 /*7*/, kDistrict = 97 /*3*/, kMark = 100,
};

inline std::string Be32(std::int32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (24 - 8 * i)) & 0xFF);
  return s;
}

inline store::Key LogKey(ConstBytes r, int k) {
  const std::string band(1, static_cast<char>(r[kBand]));
  // Made only for the keys that hold them, as the log's own key builder does.
  auto when = [&] { return Be32(GetI32(r, kDate)) + Be32(GetI32(r, kTime)); };
  auto call = [&] { return PadRight(GetText(r, kCall, 15), 14); };
  auto dok = [&] { return PadRight(GetText(r, kDok, 9), 8); };
  switch (k) {
    case 1: return when();
    case 2: return call() + when();
    case 3: return PadRight(GetText(r, kLocator, 7), 6) + when();
    case 4: return store::LongToKey(GetI32(r, kEntryNo));
    case 5: return PadRight(GetText(r, kPrefix, 7), 6);
    case 6: return call();
    case 7: return r[kMark] == 1 ? "1" : " ";
    case 8: return band + store::LongToKey(GetI32(r, kBandNo));
    case 9: return band + call() + PadRight(GetText(r, kMode, 7), 6);
    case 10: return band + PadRight(GetText(r, kPrefix, 7), 6);
    case 11: return band + store::LongToKey(99999999 - GetI32(r, kBandNo));
    case 12: return band + store::LongToKey(99999999 - GetI32(r, kBandNo));
    case 13: return store::LongToKey(GetI32(r, kSerial));
    case 14: return band + static_cast<char>(r[kClass1]);
    case 15: return band + static_cast<char>(r[kClass2]);
    case 16: return std::string{static_cast<char>(r[kClass1]), static_cast<char>(r[kClass2])};
    case 17: return band + static_cast<char>(r[kClass1]);
    case 18: return dok();
    case 19: return PadRight(GetText(r, kMulti, 7), 6);
    case 20: return PadRight(GetText(r, kSecond, 7), 6);
    case 21: return band + dok();
    case 22: return band + PadRight(GetText(r, kWpx, 7), 6);
    case 23: return band + PadRight(GetText(r, kLocator, 7), 6);
    case 24: return std::string(1, 'b') + store::LongToKey(99999999 - GetI32(r, kModeNo));
    case 25: return band + PadRight(GetText(r, kDistrict, 3), 2);
    case 26: return PadRight(GetText(r, kDistrict, 3), 2);
    case 27: return band + PadRight(GetText(r, kSecond, 7), 6);
    default: return {};
  }
}

inline std::vector<std::string> ContestCalls() {
  std::vector<std::string> calls;
  std::ifstream in("/usr/share/hamradio-files/MASTER.SCP");
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (line.back() == '\r') line.pop_back();
    if (line.size() <= 14) calls.push_back(line);
  }
  if (calls.empty()) {  // no list installed: calls of the same shape
    for (int i = 0; i < 50000; ++i) calls.push_back("DL" + std::to_string(i % 10) + "X" + std::to_string(i));
  }
  return calls;
}

// One contact: consecutive times, bands and modes of a VHF contest.
inline void MakeContact(std::vector<std::uint8_t>& r, std::int32_t n, const std::string& call, std::mt19937& rng) {
  std::fill(r.begin(), r.end(), 0);
  static const char* kDoks[] = {"I01", "I02", "Z11", "B36", "P03", "R09", "F18", "H44"};
  const char bands[] = {'k', 'l', 'm'};
  PutI32(r, kDate, 149338 + n / 5000);
  PutI32(r, kTime, (n * 17) % 86400);
  PutText(r, kCall, 15, call);
  const std::string loc = {static_cast<char>('I' + rng() % 3), static_cast<char>('N' + rng() % 2),
                           static_cast<char>('0' + rng() % 10), static_cast<char>('0' + rng() % 10),
                           static_cast<char>('A' + rng() % 24), static_cast<char>('A' + rng() % 24)};
  PutText(r, kLocator, 7, loc);
  r[kBand] = static_cast<std::uint8_t>(bands[rng() % 3]);
  PutText(r, kMode, 7, rng() % 4 ? "SSB" : "CW");
  PutText(r, kPrefix, 7, call.substr(0, 2));
  PutI32(r, kSerial, n);
  PutI32(r, kBandNo, n / 3 + 1);
  PutI32(r, kModeNo, n / 2 + 1);
  r[kClass1] = '0';
  r[kClass2] = ' ';
  PutText(r, kDok, 9, kDoks[rng() % 8]);
  PutText(r, kWpx, 7, call.substr(0, 3));
  PutText(r, kDistrict, 3, "I");
}

}  // namespace vek::bench
