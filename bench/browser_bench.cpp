// What a key press in a long list costs: the record browser over an index
// of 1,000 to 100,000 records (in memory, so the figures are the program's
// own work, not the disk's).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "base/record_bytes.h"
#include "base/scripted_user_port.h"
#include "store/file_manager.h"
#include "store/memory_file_system.h"
#include "store/record_browser.h"

namespace {

using namespace vek;
using namespace vek::store;

struct List {
  MemoryFileSystem fs;
  std::unique_ptr<FileManager> fm;
  ScriptedUserPort port;
  FileBlock* fb = nullptr;
  std::unique_ptr<RecordBrowser> browser;

  explicit List(int records) {
    StoreEnvironment env;
    env.fs = &fs;
    fm = std::make_unique<FileManager>(env);
    fm->InitFileManager();
    fb = fm->OpenFileBlock("LIST", "LIST", 64, 64, nullptr, 1,
                           [](ConstBytes r, int) { return PadRight(GetText(r, 8, 16), 15); });
    fm->DefineKey(fb, 1, 15, false);
    for (int i = 0; i < records; ++i) {
      fm->ClearRecord(fb);
      char call[16];
      std::snprintf(call, sizeof call, "C%07d", i);
      PutText(fm->RecordBuffer(fb), 8, 16, call);
      fm->AddRecord(fb);
    }
    fm->Flush(fb);
    browser = std::make_unique<RecordBrowser>(*fm, port);
    browser->events.OnBuildRow = [](ConstBytes r) { return GetText(r, 8, 16) + ";row"; };
    browser->Build(fb, 1, "", "");
  }
};

void BM_Build(benchmark::State& state) {
  List list(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(list.browser->Build(list.fb, 1, "", ""));
}
BENCHMARK(BM_Build)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_DownAtTheBottomRow(benchmark::State& state) {
  List list(static_cast<int>(state.range(0)));
  for (int i = 0; i < 20; ++i) list.browser->Down();
  for (auto _ : state) {
    list.browser->Down();
    if (list.browser->current_row() + 1 == static_cast<int>(list.browser->rows().size()) &&
        list.browser->rows().back().text.rfind("C0099", 0) == 0) {
      list.browser->First();  // keep away from the end
    }
  }
}
BENCHMARK(BM_DownAtTheBottomRow)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_PageDownAndUp(benchmark::State& state) {
  List list(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    list.browser->PageDown();
    list.browser->PageUp();
  }
}
BENCHMARK(BM_PageDownAndUp)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_QuickSearch(benchmark::State& state) {
  List list(static_cast<int>(state.range(0)));
  int i = 0;
  for (auto _ : state) {
    char typed[16];
    std::snprintf(typed, sizeof typed, "c%04d", (i++ * 37) % 1000);
    list.browser->QuickSearch(typed);
  }
}
BENCHMARK(BM_QuickSearch)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_DragTheBar(benchmark::State& state) {
  List list(static_cast<int>(state.range(0)));
  int i = 0;
  for (auto _ : state) list.browser->DragTo(1 + (i++ * 13) % (list.browser->ScrollMaximum() - 1));
}
BENCHMARK(BM_DragTheBar)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
