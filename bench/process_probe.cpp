// Loaded into a program of this project with LD_PRELOAD by the start
// benchmark, so that a whole process is measured as the operator runs it:
// - it counts the process's fsync and fdatasync calls;
// - with VEK_PROBE_EXIT_WHEN_IDLE set, the process ends at the first wait of
//   its main thread for input (a poll that may block): the moment the
//   desktop program is up and ready for the first key - unless that wait is
//   inside a dialog, which the report says.
// The report goes to the file named by VEK_PROBE_REPORT: "syncs N" and
// "end exit|idle|dialog".
#include <dlfcn.h>
#include <execinfo.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

std::atomic<long> syncs{0};

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

void Report(const char* end) {
  const char* path = std::getenv("VEK_PROBE_REPORT");
  if (!path) return;
  if (std::FILE* f = std::fopen(path, "w")) {
    std::fprintf(f, "syncs %ld\nend %s\n", syncs.load(), end);
    std::fclose(f);
  }
}

// The probe belongs to the process it was loaded into: a program that
// starts others (timeout, a shell) must not hand it on, or their exit would
// overwrite the report.
__attribute__((constructor)) void AtStart() { ::unsetenv("LD_PRELOAD"); }

__attribute__((destructor)) void AtExit() { Report("exit"); }

// A message box or dialog at start waits in QDialog::exec: the program is
// not at its main window yet.
bool InDialog() {
  void* frames[128];
  const int n = ::backtrace(frames, 128);
  for (int i = 0; i < n; ++i) {
    Dl_info info;
    if (::dladdr(frames[i], &info) && info.dli_sname &&
        std::strcmp(info.dli_sname, "_ZN7QDialog4execEv") == 0)
      return true;
  }
  return false;
}

bool OnMainThread() { return ::syscall(SYS_gettid) == ::getpid(); }

// A wait that may block, on the main thread: the program is idle.
void MaybeEnd(bool may_block) {
  if (!may_block || !std::getenv("VEK_PROBE_EXIT_WHEN_IDLE") || !OnMainThread()) return;
  Report(InDialog() ? "dialog" : "idle");
  ::_exit(0);
}

}  // namespace

extern "C" {

int fdatasync(int fd) {
  static const auto real = Next<int (*)(int)>("fdatasync");
  ++syncs;
  return real(fd);
}

int fsync(int fd) {
  static const auto real = Next<int (*)(int)>("fsync");
  ++syncs;
  return real(fd);
}

int poll(struct pollfd* fds, nfds_t n, int timeout) {
  static const auto real = Next<int (*)(struct pollfd*, nfds_t, int)>("poll");
  MaybeEnd(timeout != 0);
  return real(fds, n, timeout);
}

int ppoll(struct pollfd* fds, nfds_t n, const struct timespec* timeout, const sigset_t* mask) {
  static const auto real =
      Next<int (*)(struct pollfd*, nfds_t, const struct timespec*, const sigset_t*)>("ppoll");
  MaybeEnd(!timeout || timeout->tv_sec != 0 || timeout->tv_nsec != 0);
  return real(fds, n, timeout, mask);
}

}  // extern "C"
