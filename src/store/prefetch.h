// Asks the processor for the cache line at `at` ahead of its use; a hint
// without effect on what the program does.
#pragma once

namespace vek::store {

inline void Prefetch(const void* at) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(at);
#else
  (void)at;
#endif
}

}  // namespace vek::store
