// Writes a few sound record/index file pairs as the fuzz target's first
// inputs: empty, a handful of records, and enough for two-level trees with
// deleted records and free pages.
#include <fstream>
#include <string>

#include "store/memory_file_system.h"
#include "store_files.h"

using namespace vek;

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  int file = 0;
  for (int records : {0, 5, 200}) {
    store::MemoryFileSystem fs;
    store::StoreEnvironment env;
    env.fs = &fs;
    store::FileManager fm(env);
    fm.InitFileManager();
    store::FileBlock* fb = fuzz::OpenFuzzBlock(fm);
    fm.RecordCount(fb);
    for (int i = 0; i < records; ++i) {
      fm.ClearRecord(fb);
      PutText(fm.RecordBuffer(fb), 8, 11, "DL" + std::to_string(i % 17));
      PutText(fm.RecordBuffer(fb), 20, 8, std::to_string(i));
      fm.AddRecord(fb);
    }
    for (int i = 0; i < records / 3; ++i)
      if (fm.FindKey(fb, 3, std::to_string(i * 3)) == 0) fm.DeleteRecord(fb);
    fm.ExitFileManager();
    const auto& dat = *fs.Data("F.DAT");
    const auto& ix = *fs.Data("F.IX");
    std::ofstream out(std::string(argv[1]) + "/seed" + std::to_string(file++), std::ios::binary);
    out.put(static_cast<char>(dat.size() & 0xFF));
    out.put(static_cast<char>((dat.size() >> 8) & 0xFF));
    out.write(reinterpret_cast<const char*>(dat.data()), static_cast<std::streamsize>(dat.size()));
    out.write(reinterpret_cast<const char*>(ix.data()), static_cast<std::streamsize>(ix.size()));
  }
  return 0;
}
