// The rig and the rotator from the command line: what the radio reports,
// and turning the antenna, with the saved settings or the given ones.
#include <chrono>
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>

#include "app/cli_commands.h"
#include "app/cli_output.h"
#include "refdata/bands.h"
#include "refdata/program_settings.h"
#include "rig/rig_port.h"
#include "store/os_file.h"

namespace vek::cli {

namespace {

struct DeviceOptions {
  std::optional<int> model;
  std::string device, host;
  int speed = 0;
};

// The saved settings, or what the options say (--host alone means the
// network model that talks to rigctld or rotctld).
rig::PortSettings Choose(const DeviceOptions& o, bool rotator) {
  ProgramSettings settings(store::RealFileSystem());
  settings.Load();
  const rig::RigSettings saved = rig::ReadRigSettings([&](std::string_view k) { return settings.Get(k); });
  if (!o.model && o.device.empty() && o.host.empty()) return rotator ? saved.rotator : saved.rig;
  rig::PortSettings p;
  p.model = o.model.value_or(o.host.empty() ? 0 : (rotator ? rig::NetworkRotatorModel() : rig::NetworkRigModel()));
  p.device = o.host.empty() ? o.device : o.host;
  p.speed = o.speed;
  return p;
}

int RunRig(const CommandContext& cc, const DeviceOptions& o) {
  Output out(cc.json);
  const rig::PortSettings p = Choose(o, false);
  out.Integer("model", p.model);
  if (p.model == 0) return out.Abort("no transceiver: none saved (\"Transceiver / Rotor\") and no --model or --host given");
  auto port = rig::MakeHamlibRig(p);
  double hz = 0;
  std::string mode;
  if (!port->Open() || !port->ReadFrequency(hz) || !port->ReadMode(mode))
    return out.Abort(port->Name() + ": " + port->LastError());
  out.Number("frequency_hz", hz, 0);
  out.Text("mode", mode);
  const char band = BandCodeOfFrequency(hz / 1e6);
  out.Text("band_code", IsBandCode(band) ? std::string(1, band) : std::string());
  out.Text("error", "");
  out.Print(std::cout);
  return 0;
}

int RunRotate(const CommandContext& cc, const DeviceOptions& o, double target, bool wait) {
  Output out(cc.json);
  const rig::PortSettings p = Choose(o, true);
  out.Number("target_deg", target, 1);
  if (p.model == 0) return out.Abort("no rotator: none saved (\"Transceiver / Rotor\") and no --model or --host given");
  if (!(target >= 0 && target <= 360)) return out.Abort("--to takes 0 to 360 degrees");
  auto port = rig::MakeHamlibRotator(p);
  double az = 0;
  if (!port->Open() || !port->SetAzimuth(target) || !port->ReadAzimuth(az))
    return out.Abort(port->Name() + ": " + port->LastError());
  // With --wait: until the rotator stands at the target (two minutes at most).
  for (int i = 0; wait && std::abs(az - target) >= 1.0 && i < 600; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    if (!port->ReadAzimuth(az)) return out.Abort(port->Name() + ": " + port->LastError());
  }
  out.Number("azimuth_deg", az, 1);
  out.Text("error", "");
  out.Print(std::cout);
  return 0;
}

void AddDeviceOptions(CLI::App* cmd, DeviceOptions& o) {
  cmd->add_option("--model", o.model, "Hamlib model number (default: the saved one)");
  auto* device = cmd->add_option("--device", o.device, "serial device");
  auto* host = cmd->add_option("--host", o.host, "host:port of rigctld or rotctld");
  device->excludes(host);
  cmd->add_option("--speed", o.speed, "serial speed");
}

}  // namespace

void RegisterRigCommands(CLI::App& app, CommandContext& ctx) {
  {
    auto* cmd = app.add_subcommand("rig", "What the transceiver reports (frequency, mode, band)");
    auto o = std::make_shared<DeviceOptions>();
    AddDeviceOptions(cmd, *o);
    cmd->footer("Keys: model, frequency_hz, mode, band_code, error. Without options the saved settings.");
    cmd->callback([&ctx, o] { ctx.result = RunRig(ctx, *o); });
  }
  {
    auto* cmd = app.add_subcommand("rotate", "Turn the rotator to a bearing");
    auto o = std::make_shared<DeviceOptions>();
    auto to = std::make_shared<double>(0);
    auto wait = std::make_shared<bool>(false);
    cmd->add_option("--to", *to, "bearing in degrees")->required();
    cmd->add_flag("--wait", *wait, "wait until the rotator stands there");
    AddDeviceOptions(cmd, *o);
    cmd->footer("Keys: target_deg, azimuth_deg (where it stands now), error.");
    cmd->callback([&ctx, o, to, wait] { ctx.result = RunRotate(ctx, *o, *to, *wait); });
  }
}

}  // namespace vek::cli
