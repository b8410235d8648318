// Reads the rig and drives the rotator on a thread of its own, so that a
// radio that is switched off, unplugged or hangs never holds up typing,
// saving or closing: the window only ever reads the last state, which the
// thread publishes under a lock it never holds during a port call. A port
// that fails is closed and opened again after a pause that doubles up to a
// limit.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "rig/rig_port.h"

namespace vek::rig {

struct RigState {
  bool rig_configured = false, rig_connected = false;
  std::string rig_name, rig_error;
  double frequency_hz = 0;
  std::string mode;
  std::uint64_t readings = 0;  // successful reads so far
  std::uint64_t failures = 0;  // failed opens and reads so far
  bool rotator_configured = false, rotator_connected = false;
  std::string rotator_name, rotator_error;
  std::optional<double> azimuth, target;
};

struct PollTiming {
  std::chrono::milliseconds poll{500}, first_retry{1000}, longest_retry{8000};
};

class RigPoller {
 public:
  using RigFactory = std::function<std::unique_ptr<RigPort>()>;
  using RotatorFactory = std::function<std::unique_ptr<RotatorPort>()>;

  // An empty factory: no such device. `poll_rig` false leaves the rig alone.
  RigPoller(RigFactory rig, RotatorFactory rotator, bool poll_rig = true, PollTiming timing = {});
  // Stops the thread; a port call that hangs is not waited for longer than
  // a moment (the thread then ends on its own).
  ~RigPoller();
  RigPoller(const RigPoller&) = delete;
  RigPoller& operator=(const RigPoller&) = delete;

  RigState State() const;
  void TurnTo(double degrees);
  void StopRotator();

 private:
  struct Shared;
  static void Run(std::shared_ptr<Shared> shared);
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace vek::rig
