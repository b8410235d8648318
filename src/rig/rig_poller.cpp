#include "rig/rig_poller.h"

#include <algorithm>
#include <utility>

namespace vek::rig {

using SteadyClock = std::chrono::steady_clock;

struct RigPoller::Shared {
  RigFactory make_rig;
  RotatorFactory make_rotator;
  bool poll_rig = true;
  PollTiming timing;
  mutable std::mutex mutex;
  std::condition_variable wake;
  bool stop = false, done = false;
  std::condition_variable finished;
  RigState state;
  // Commands for the rotator, taken by the thread.
  std::optional<double> turn_to;
  bool stop_rotator = false;
};

RigPoller::RigPoller(RigFactory rig, RotatorFactory rotator, bool poll_rig, PollTiming timing)
    : shared_(std::make_shared<Shared>()) {
  shared_->make_rig = std::move(rig);
  shared_->make_rotator = std::move(rotator);
  shared_->poll_rig = poll_rig;
  shared_->timing = timing;
  shared_->state.rig_configured = static_cast<bool>(shared_->make_rig) && poll_rig;
  shared_->state.rotator_configured = static_cast<bool>(shared_->make_rotator);
  thread_ = std::thread(Run, shared_);
}

RigPoller::~RigPoller() {
  std::unique_lock lock(shared_->mutex);
  shared_->stop = true;
  shared_->wake.notify_all();
  // The thread owns what it uses; one stuck in a port call ends by itself.
  const bool done = shared_->finished.wait_for(lock, std::chrono::milliseconds(300), [this] { return shared_->done; });
  lock.unlock();
  if (done) {
    thread_.join();
  } else {
    thread_.detach();
  }
}

RigState RigPoller::State() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->state;
}

void RigPoller::TurnTo(double degrees) {
  std::lock_guard lock(shared_->mutex);
  shared_->turn_to = degrees;
  shared_->stop_rotator = false;
  shared_->state.target = degrees;
  shared_->wake.notify_all();
}

void RigPoller::StopRotator() {
  std::lock_guard lock(shared_->mutex);
  shared_->stop_rotator = true;
  shared_->turn_to.reset();
  shared_->state.target.reset();
  shared_->wake.notify_all();
}

namespace {

// When a failed port may be tried again: the pause doubles up to the limit.
struct Retry {
  SteadyClock::time_point next{};
  std::chrono::milliseconds pause{0};
  void Failed(const PollTiming& t) {
    pause = pause.count() == 0 ? t.first_retry : std::min(pause * 2, t.longest_retry);
    next = SteadyClock::now() + pause;
  }
  void Worked() { pause = std::chrono::milliseconds(0); }
  bool Due() const { return SteadyClock::now() >= next; }
};

}  // namespace

void RigPoller::Run(std::shared_ptr<Shared> s) {
  std::unique_ptr<RigPort> rig;
  std::unique_ptr<RotatorPort> rotator;
  bool rig_open = false, rotator_open = false;
  Retry rig_retry, rotator_retry;
  std::unique_lock lock(s->mutex);
  while (!s->stop) {
    const std::optional<double> turn_to = std::exchange(s->turn_to, std::nullopt);
    const bool stop_rotator = std::exchange(s->stop_rotator, false);
    lock.unlock();
    // Every port call runs without the lock: State() never waits for a radio.
    RigState rig_part, rot_part;
    bool rig_tried = false, rot_tried = false;
    if (s->make_rig && s->poll_rig && (rig_open || rig_retry.Due())) {
      rig_tried = true;
      if (!rig_open) {
        rig = s->make_rig();
        rig_open = rig && rig->Open();
      }
      double hz = 0;
      std::string mode;
      if (rig_open && rig->ReadFrequency(hz) && rig->ReadMode(mode)) {
        rig_retry.Worked();
        rig_part.rig_connected = true;
        rig_part.frequency_hz = hz;
        rig_part.mode = mode;
      } else {
        rig_part.rig_error = rig ? rig->LastError() : "kein Transceiver";
        if (rig) rig->Close();
        rig_open = false;
        rig_retry.Failed(s->timing);
      }
      if (rig) rig_part.rig_name = rig->Name();
    }
    if (s->make_rotator && (rotator_open || rotator_retry.Due() || turn_to || stop_rotator)) {
      rot_tried = true;
      if (!rotator_open) {
        rotator = s->make_rotator();
        rotator_open = rotator && rotator->Open();
      }
      bool ok = rotator_open;
      if (ok && stop_rotator) ok = rotator->Stop();
      if (ok && turn_to) ok = rotator->SetAzimuth(*turn_to);
      double az = 0;
      if (ok) ok = rotator->ReadAzimuth(az);
      if (ok) {
        rotator_retry.Worked();
        rot_part.rotator_connected = true;
        rot_part.azimuth = az;
      } else {
        rot_part.rotator_error = rotator ? rotator->LastError() : "kein Rotor";
        if (rotator) rotator->Close();
        rotator_open = false;
        rotator_retry.Failed(s->timing);
      }
      if (rotator) rot_part.rotator_name = rotator->Name();
    }
    lock.lock();
    RigState& st = s->state;
    if (rig_tried) {
      st.rig_connected = rig_part.rig_connected;
      st.rig_name = rig_part.rig_name;
      if (rig_part.rig_connected) {
        st.frequency_hz = rig_part.frequency_hz;
        st.mode = rig_part.mode;
        st.rig_error.clear();
        ++st.readings;
      } else {
        st.rig_error = rig_part.rig_error;
        ++st.failures;
      }
    }
    if (rot_tried) {
      st.rotator_connected = rot_part.rotator_connected;
      st.rotator_name = rot_part.rotator_name;
      if (rot_part.rotator_connected) {
        st.azimuth = rot_part.azimuth;
        st.rotator_error.clear();
      } else {
        st.rotator_error = rot_part.rotator_error;
      }
    }
    s->wake.wait_for(lock, s->timing.poll, [&] { return s->stop || s->turn_to || s->stop_rotator; });
  }
  lock.unlock();
  if (rig) rig->Close();
  if (rotator) rotator->Close();
  lock.lock();
  s->done = true;
  s->finished.notify_all();
}

}  // namespace vek::rig
