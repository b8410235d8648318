// Opens a fileblock on fuzzed record and index files and works on it: every
// damage must end in a rebuild, a soft failure or an orderly stop, never in a
// crash, a hang or undefined behaviour.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "store/memory_file_system.h"
#include "store/store_check.h"
#include "store_files.h"

using namespace vek;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t dat_size = std::min<std::size_t>(data[0] | (data[1] << 8), size - 2);
  store::MemoryFileSystem::Image image;
  image["F.DAT"].assign(data + 2, data + 2 + dat_size);
  image["F.IX"].assign(data + 2 + dat_size, data + size);
  store::MemoryFileSystem fs(image);

  const store::KeyBuilder builder = fuzz::FuzzKey;
  const bool sound_before = store::CheckFiles(fs, "F", &builder).clean;
  store::StoreEnvironment env;
  env.fs = &fs;
  env.sleep = [](std::chrono::milliseconds) {};
  env.random = [](int) { return 0; };
  store::FileManager fm(env);
  fm.SetLockQuestion([](const std::string&, store::LockQuestion q) {
    return q == store::LockQuestion::kCreateFiles || q == store::LockQuestion::kRebuildIndex;
  });
  if (fm.InitFileManager() != 0) std::abort();
  store::FileBlock* fb = fuzz::OpenFuzzBlock(fm);
  const std::int32_t count = fm.RecordCount(fb);
  for (int k = 1; k <= fuzz::kKeys && !fm.stopped(); ++k) {
    std::int32_t steps = 0;
    for (int s = fm.FirstKey(fb, k); s == 0 && steps <= count; s = fm.NextKey(fb, k)) ++steps;
    // A sound index lists every record once.
    if (sound_before && !fm.stopped() && steps != count) {
      std::fprintf(stderr, "key %d lists %d of %d records\n", k, steps, count);
      std::abort();
    }
    for (int s = fm.LastKey(fb, k); s == 0 && steps > 0; s = fm.PrevKey(fb, k)) --steps;
  }
  if (!fm.stopped()) {
    fm.ClearRecord(fb);
    PutText(fm.RecordBuffer(fb), 8, 11, "DL1FUZ");
    PutText(fm.RecordBuffer(fb), 20, 8, "NEW");
    fm.AddRecord(fb);
    if (fm.FirstKey(fb, 2) == 0) fm.DeleteRecord(fb);
  }
  const bool stopped = fm.stopped();
  fm.ExitFileManager();
  // Sound files stay sound; damaged ones are left sound, or marked so that
  // the next open rebuilds them, whenever the store noticed the damage.
  if (sound_before && stopped) std::abort();
  if (sound_before) {
    store::CheckResult after = store::CheckFiles(fs, "F", &builder);
    if (after.files_found && after.being_changed) {
      store::FileManager again(env);
      again.InitFileManager();
      again.RecordCount(fuzz::OpenFuzzBlock(again));
      again.ExitFileManager();
      after = store::CheckFiles(fs, "F", &builder);
    }
    if (after.files_found && !after.clean) {
      std::fprintf(stderr, "%s", after.Describe().c_str());
      std::abort();
    }
  }
  return 0;
}
