#include "export/log_walk.h"

#include "logging/scoring.h"

namespace vek {

void WalkContacts(store::FileManager& fm, store::FileBlock* log, int key,
                  const std::function<bool(ConstBytes record)>& visit) {
  if (!log) return;
  for (int s = fm.FirstKey(log, key); s == 0; s = fm.NextKey(log, key)) {
    const ConstBytes r = fm.RecordBuffer(log);
    if (IsBandChangeEntry(r)) continue;
    if (!visit(r)) return;
  }
}

}  // namespace vek
