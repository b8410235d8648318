// What the entry window's quarter-second tick costs when it asks the rig
// poller for its state: with a rig that answers at once, and with one that
// hangs in its read (the window must not notice the difference).
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>

#include "rig/rig_poller.h"

namespace {

using namespace vek::rig;
using namespace std::chrono_literals;

class InstantRig : public RigPort {
 public:
  bool Open() override { return true; }
  void Close() override {}
  bool ReadFrequency(double& hz) override {
    hz = 144.3e6;
    return true;
  }
  bool ReadMode(std::string& mode) override {
    mode = "USB";
    return true;
  }
  bool SetFrequency(double) override { return true; }
  std::string LastError() const override { return {}; }
  std::string Name() const override { return "instant"; }
};

// Hangs in every read until the benchmark ends.
struct Gate {
  std::mutex m;
  std::condition_variable cv;
  bool open = false;
};

class HangingRig : public InstantRig {
 public:
  explicit HangingRig(std::shared_ptr<Gate> g) : gate_(std::move(g)) {}
  bool ReadFrequency(double& hz) override {
    std::unique_lock lock(gate_->m);
    gate_->cv.wait(lock, [this] { return gate_->open; });
    return InstantRig::ReadFrequency(hz);
  }

 private:
  std::shared_ptr<Gate> gate_;
};

void BM_StateOfARigThatAnswers(benchmark::State& state) {
  RigPoller poller([] { return std::make_unique<InstantRig>(); }, nullptr, true, PollTiming{1ms, 1ms, 10ms});
  for (auto _ : state) benchmark::DoNotOptimize(poller.State());
}
BENCHMARK(BM_StateOfARigThatAnswers)->Unit(benchmark::kMicrosecond);

void BM_StateOfARigThatHangs(benchmark::State& state) {
  auto gate = std::make_shared<Gate>();
  {
    RigPoller poller([gate] { return std::make_unique<HangingRig>(gate); }, nullptr, true, PollTiming{1ms, 1ms, 10ms});
    for (auto _ : state) benchmark::DoNotOptimize(poller.State());
    std::lock_guard lock(gate->m);
    gate->open = true;
    gate->cv.notify_all();
  }
}
BENCHMARK(BM_StateOfARigThatHangs)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
