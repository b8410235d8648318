// The radio and the rotator as the program sees them: a frequency and a
// mode to read, an azimuth to set and read. The Hamlib implementations
// (hamlib_ports.cpp) talk to any model Hamlib knows, on a serial device or
// over the network to rigctld/rotctld; tests put their own ports in.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vek::rig {

// How one device is reached.
struct PortSettings {
  int model = 0;       // Hamlib model number; 0: none
  std::string device;  // serial device, or host:port for the network models
  int speed = 0;       // serial speed; 0: the model's own
  friend bool operator==(const PortSettings&, const PortSettings&) = default;
};

struct RigSettings {
  PortSettings rig, rotator;
  bool poll = true;  // the rig is read every half second
  friend bool operator==(const RigSettings&, const RigSettings&) = default;
};

// The settings as "key=value" texts of the program's settings file; a value
// that cannot be read means "none".
RigSettings ReadRigSettings(const std::function<std::string(std::string_view key)>& get);
void WriteRigSettings(const RigSettings& s, const std::function<void(std::string_view key, std::string_view value)>& set);

class RigPort {
 public:
  virtual ~RigPort() = default;
  virtual bool Open() = 0;
  virtual void Close() = 0;
  virtual bool ReadFrequency(double& hz) = 0;
  // Hamlib's name of the mode: "USB", "CW", "FM", "PKTUSB" ...
  virtual bool ReadMode(std::string& mode) = 0;
  virtual bool SetFrequency(double hz) = 0;
  virtual std::string LastError() const = 0;
  virtual std::string Name() const = 0;
};

class RotatorPort {
 public:
  virtual ~RotatorPort() = default;
  virtual bool Open() = 0;
  virtual void Close() = 0;
  virtual bool SetAzimuth(double degrees) = 0;
  virtual bool ReadAzimuth(double& degrees) = 0;
  virtual bool Stop() = 0;
  virtual std::string LastError() const = 0;
  virtual std::string Name() const = 0;
};

// Every call gives up after `timeout_ms` (a radio switched off, a daemon that hangs).
std::unique_ptr<RigPort> MakeHamlibRig(const PortSettings& settings, int timeout_ms = 1000);
std::unique_ptr<RotatorPort> MakeHamlibRotator(const PortSettings& settings, int timeout_ms = 1000);

struct ModelInfo {
  int model = 0;
  std::string maker, name;
};
// Hamlib's model lists, by maker and name.
std::vector<ModelInfo> RigModels();
std::vector<ModelInfo> RotatorModels();
// The network models that talk to rigctld and rotctld.
int NetworkRigModel();
int NetworkRotatorModel();
int DummyRigModel();
int DummyRotatorModel();

}  // namespace vek::rig
