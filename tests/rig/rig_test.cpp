// The rig and the rotator through Hamlib: its dummy models in the process,
// rigctld and rotctld on a free localhost port, a daemon that never answers
// and one that cuts its replies, and the poller that keeps all of that off
// the window's thread.
#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>

#include "refdata/locator.h"
#include "rig/rig_poller.h"
#include "rig/rig_port.h"
#include "rig_daemons.h"

namespace vek::rig {
namespace {

using namespace std::chrono_literals;
using testing::BrokenServer;
using testing::Daemon;
using testing::FreePort;

// Waits (without asserting any time) until `ready` holds or half a minute passed.
template <typename Ready>
bool Eventually(Ready ready, std::chrono::seconds limit = 30s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

double BearingJo31nfToJo62mm() {
  Qrb q;
  EXPECT_TRUE(LocatorDistance("JO31NF", "JO62MM", q));
  return q.bearing;
}

TEST(RigSettingsTest, SettingsGoThroughTheTextFileAndBadNumbersMeanNone) {
  std::map<std::string, std::string, std::less<>> file;
  RigSettings s;
  s.rig = {NetworkRigModel(), "localhost:4532", 0};
  s.rotator = {DummyRotatorModel(), "/dev/ttyUSB1", 9600};
  s.poll = false;
  WriteRigSettings(s, [&](std::string_view k, std::string_view v) { file[std::string(k)] = std::string(v); });
  const auto get = [&](std::string_view k) {
    const auto it = file.find(k);
    return it == file.end() ? std::string() : it->second;
  };
  EXPECT_EQ(ReadRigSettings(get), s);
  file["rig.model"] = "12x";
  file["rotator.speed"] = "-5";
  const RigSettings bad = ReadRigSettings(get);
  EXPECT_EQ(bad.rig.model, 0);
  EXPECT_EQ(bad.rotator.speed, 0);
  // Nothing stored: no rig, no rotator, polling on.
  const RigSettings none = ReadRigSettings([](std::string_view) { return std::string(); });
  EXPECT_EQ(none.rig.model, 0);
  EXPECT_EQ(none.rotator.model, 0);
  EXPECT_TRUE(none.poll);
}

TEST(HamlibTest, TheDummyRigReportsWhatItWasSetToAndTheModelListsKnowIt) {
  auto rig = MakeHamlibRig({DummyRigModel(), "", 0});
  ASSERT_TRUE(rig->Open()) << rig->LastError();
  ASSERT_TRUE(rig->SetFrequency(432.2e6)) << rig->LastError();
  double hz = 0;
  ASSERT_TRUE(rig->ReadFrequency(hz));
  EXPECT_DOUBLE_EQ(hz, 432.2e6);
  std::string mode;
  ASSERT_TRUE(rig->ReadMode(mode));
  EXPECT_FALSE(mode.empty());
  EXPECT_NE(rig->Name().find("Dummy"), std::string::npos) << rig->Name();
  rig->Close();
  EXPECT_FALSE(rig->ReadFrequency(hz));
  const auto rigs = RigModels();
  EXPECT_GT(rigs.size(), 100u);
  EXPECT_TRUE(std::any_of(rigs.begin(), rigs.end(), [](const ModelInfo& m) { return m.model == NetworkRigModel(); }));
  EXPECT_FALSE(RotatorModels().empty());
  // A model Hamlib does not know fails with a reason, not a crash.
  auto unknown = MakeHamlibRig({999999, "", 0});
  EXPECT_FALSE(unknown->Open());
  EXPECT_FALSE(unknown->LastError().empty());
}

TEST(HamlibTest, TheDummyRotatorReachesTheBearingOfJo62mmFromJo31nf) {
  const double bearing = BearingJo31nfToJo62mm();
  RigPoller poller(nullptr, [] { return MakeHamlibRotator({DummyRotatorModel(), "", 0}); }, true, {50ms, 100ms, 1s});
  poller.TurnTo(bearing);
  ASSERT_TRUE(Eventually([&] {
    const RigState s = poller.State();
    return s.azimuth && std::abs(*s.azimuth - bearing) < 1.0;
  })) << poller.State().rotator_error;
  const RigState s = poller.State();
  EXPECT_TRUE(s.rotator_connected);
  EXPECT_NEAR(*s.target, bearing, 1e-9);
  EXPECT_FALSE(s.rig_configured);
}

TEST(HamlibTest, RigctldAndRotctldAnswerOverTheNetwork) {
  const int rig_port = FreePort(), rot_port = FreePort();
  Daemon rigctld("rigctld", rig_port), rotctld("rotctld", rot_port);
  ASSERT_TRUE(rigctld.running());
  ASSERT_TRUE(rotctld.running());
  const PortSettings net{NetworkRigModel(), "127.0.0.1:" + std::to_string(rig_port), 0};
  {
    auto rig = MakeHamlibRig(net);
    ASSERT_TRUE(rig->Open()) << rig->LastError();
    ASSERT_TRUE(rig->SetFrequency(144.3e6));
  }
  RigPoller poller([net] { return MakeHamlibRig(net); },
                   [rot_port] {
                     return MakeHamlibRotator({NetworkRotatorModel(), "127.0.0.1:" + std::to_string(rot_port), 0});
                   },
                   true, {50ms, 100ms, 1s});
  ASSERT_TRUE(Eventually([&] { return poller.State().readings > 0; })) << poller.State().rig_error;
  RigState s = poller.State();
  EXPECT_DOUBLE_EQ(s.frequency_hz, 144.3e6);
  EXPECT_FALSE(s.mode.empty());
  EXPECT_TRUE(s.rig_connected);
  const double bearing = BearingJo31nfToJo62mm();
  poller.TurnTo(bearing);
  ASSERT_TRUE(Eventually([&] {
    const RigState r = poller.State();
    return r.azimuth && std::abs(*r.azimuth - bearing) < 1.0;
  })) << poller.State().rotator_error;
  poller.StopRotator();
  EXPECT_FALSE(poller.State().target.has_value());
}

// A port that blocks in its read until the test lets it go: whatever the
// window asks the poller meanwhile must not wait for it.
class StuckRig : public RigPort {
 public:
  struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool inside = false, open = false;
  };
  explicit StuckRig(std::shared_ptr<Gate> gate) : gate_(std::move(gate)) {}
  bool Open() override { return true; }
  void Close() override {}
  bool ReadFrequency(double& hz) override {
    std::unique_lock lock(gate_->m);
    gate_->inside = true;
    gate_->cv.notify_all();
    gate_->cv.wait(lock, [this] { return gate_->open; });
    hz = 145.5e6;
    return true;
  }
  bool ReadMode(std::string& mode) override {
    mode = "FM";
    return true;
  }
  bool SetFrequency(double) override { return true; }
  std::string LastError() const override { return {}; }
  std::string Name() const override { return "Stuck"; }

 private:
  std::shared_ptr<Gate> gate_;
};

TEST(RigPollerTest, TheWindowNeverWaitsForARigThatHangs) {
  auto gate = std::make_shared<StuckRig::Gate>();
  auto poller = std::make_unique<RigPoller>([gate] { return std::make_unique<StuckRig>(gate); }, nullptr, true,
                                            PollTiming{10ms, 10ms, 100ms});
  {
    std::unique_lock lock(gate->m);
    gate->cv.wait(lock, [&] { return gate->inside; });
  }
  // The rig hangs in its read now; the state and the rotator's commands answer.
  for (int i = 0; i < 1000; ++i) EXPECT_EQ(poller->State().readings, 0u);
  poller->TurnTo(90);
  EXPECT_FALSE(poller->State().rotator_configured);
  {
    std::lock_guard lock(gate->m);
    gate->open = true;
  }
  gate->cv.notify_all();
  ASSERT_TRUE(Eventually([&] { return poller->State().readings > 0; }));
  EXPECT_DOUBLE_EQ(poller->State().frequency_hz, 145.5e6);
  EXPECT_EQ(poller->State().mode, "FM");
}

TEST(RigPollerTest, ASilentOrCuttingDaemonIsReportedAndTheRealOneIsFoundWhenItComesBack) {
  const int port = FreePort();
  const PortSettings net{NetworkRigModel(), "127.0.0.1:" + std::to_string(port), 0};
  RigPoller poller([net] { return MakeHamlibRig(net, 300); }, nullptr, true, {50ms, 50ms, 200ms});
  // Nothing listens: the status says why.
  ASSERT_TRUE(Eventually([&] { return poller.State().failures > 0; }));
  EXPECT_FALSE(poller.State().rig_connected);
  EXPECT_FALSE(poller.State().rig_error.empty());
  for (auto kind : {BrokenServer::Kind::kSilent, BrokenServer::Kind::kCutsReplies}) {
    BrokenServer server(kind, port);
    const std::uint64_t before = poller.State().failures;
    ASSERT_TRUE(Eventually([&] { return server.requests() > 0 && poller.State().failures > before + 1; }));
    const RigState s = poller.State();
    EXPECT_FALSE(s.rig_connected);
    EXPECT_FALSE(s.rig_error.empty());
    EXPECT_EQ(s.readings, 0u);
  }
  Daemon rigctld("rigctld", port);
  ASSERT_TRUE(rigctld.running());
  ASSERT_TRUE(Eventually([&] { return poller.State().readings > 0; })) << poller.State().rig_error;
  EXPECT_TRUE(poller.State().rig_connected);
  EXPECT_TRUE(poller.State().rig_error.empty());
}

}  // namespace
}  // namespace vek::rig
