#include <hamlib/rig.h>
#include <hamlib/rotator.h>

#include <algorithm>
#include <mutex>

#include "rig/rig_port.h"

namespace vek::rig {

namespace {

// Hamlib's backends are loaded once; its chatter stays off the terminal.
void StartHamlib() {
  static std::once_flag once;
  std::call_once(once, [] {
    rig_set_debug(RIG_DEBUG_NONE);
    rig_load_all_backends();
    rot_load_all_backends();
  });
}

std::string ErrorText(int code) {
  const char* text = rigerror2(code);
  std::string s = text ? text : "Hamlib error";
  // Only the message: rigerror would add the last debug lines.
  const auto end = s.find('\n');
  if (end != std::string::npos) s.resize(end);
  return s;
}

template <typename Setter>
void SetCommonConf(Setter set, const char* path_token, const PortSettings& p, int timeout_ms) {
  if (!p.device.empty()) set(path_token, p.device);
  if (p.speed > 0) set("serial_speed", std::to_string(p.speed));
  set("timeout", std::to_string(timeout_ms));
  set("retry", "0");
}

class HamlibRig : public RigPort {
 public:
  HamlibRig(const PortSettings& p, int timeout_ms) : settings_(p), timeout_ms_(timeout_ms) {}
  ~HamlibRig() override { Close(); }

  bool Open() override {
    Close();
    StartHamlib();
    rig_ = rig_init(static_cast<rig_model_t>(settings_.model));
    if (!rig_) return Failed("Hamlib kennt das Modell " + std::to_string(settings_.model) + " nicht");
    SetCommonConf(
        [this](const char* name, const std::string& value) {
          rig_set_conf(rig_, rig_token_lookup(rig_, name), value.c_str());
        },
        "rig_pathname", settings_, timeout_ms_);
    const int rc = rig_open(rig_);
    if (rc != RIG_OK) {
      rig_cleanup(rig_);
      rig_ = nullptr;
      return Failed(ErrorText(rc));
    }
    return true;
  }
  void Close() override {
    if (!rig_) return;
    rig_close(rig_);
    rig_cleanup(rig_);
    rig_ = nullptr;
  }
  bool ReadFrequency(double& hz) override {
    if (!rig_) return Failed("nicht verbunden");
    freq_t f = 0;
    const int rc = rig_get_freq(rig_, RIG_VFO_CURR, &f);
    if (rc != RIG_OK) return Failed(ErrorText(rc));
    hz = f;
    return true;
  }
  bool ReadMode(std::string& mode) override {
    if (!rig_) return Failed("nicht verbunden");
    rmode_t m = RIG_MODE_NONE;
    pbwidth_t width = 0;
    const int rc = rig_get_mode(rig_, RIG_VFO_CURR, &m, &width);
    if (rc != RIG_OK) return Failed(ErrorText(rc));
    mode = rig_strrmode(m);
    return true;
  }
  bool SetFrequency(double hz) override {
    if (!rig_) return Failed("nicht verbunden");
    const int rc = rig_set_freq(rig_, RIG_VFO_CURR, hz);
    return rc == RIG_OK || Failed(ErrorText(rc));
  }
  std::string LastError() const override { return error_; }
  std::string Name() const override {
    const struct rig_caps* caps = rig_get_caps(static_cast<rig_model_t>(settings_.model));
    return caps ? std::string(caps->mfg_name) + " " + caps->model_name : "Modell " + std::to_string(settings_.model);
  }

 private:
  bool Failed(std::string text) {
    error_ = std::move(text);
    return false;
  }
  PortSettings settings_;
  int timeout_ms_;
  RIG* rig_ = nullptr;
  std::string error_;
};

class HamlibRotator : public RotatorPort {
 public:
  HamlibRotator(const PortSettings& p, int timeout_ms) : settings_(p), timeout_ms_(timeout_ms) {}
  ~HamlibRotator() override { Close(); }

  bool Open() override {
    Close();
    StartHamlib();
    rot_ = rot_init(static_cast<rot_model_t>(settings_.model));
    if (!rot_) return Failed("Hamlib kennt das Rotormodell " + std::to_string(settings_.model) + " nicht");
    SetCommonConf(
        [this](const char* name, const std::string& value) {
          rot_set_conf(rot_, rot_token_lookup(rot_, name), value.c_str());
        },
        "rot_pathname", settings_, timeout_ms_);
    const int rc = rot_open(rot_);
    if (rc != RIG_OK) {
      rot_cleanup(rot_);
      rot_ = nullptr;
      return Failed(ErrorText(rc));
    }
    return true;
  }
  void Close() override {
    if (!rot_) return;
    rot_close(rot_);
    rot_cleanup(rot_);
    rot_ = nullptr;
  }
  bool SetAzimuth(double degrees) override {
    if (!rot_) return Failed("nicht verbunden");
    const int rc = rot_set_position(rot_, static_cast<azimuth_t>(degrees), 0);
    return rc == RIG_OK || Failed(ErrorText(rc));
  }
  bool ReadAzimuth(double& degrees) override {
    if (!rot_) return Failed("nicht verbunden");
    azimuth_t az = 0;
    elevation_t el = 0;
    const int rc = rot_get_position(rot_, &az, &el);
    if (rc != RIG_OK) return Failed(ErrorText(rc));
    degrees = az;
    return true;
  }
  bool Stop() override {
    if (!rot_) return Failed("nicht verbunden");
    const int rc = rot_stop(rot_);
    return rc == RIG_OK || Failed(ErrorText(rc));
  }
  std::string LastError() const override { return error_; }
  std::string Name() const override {
    const struct rot_caps* caps = rot_get_caps(static_cast<rot_model_t>(settings_.model));
    return caps ? std::string(caps->mfg_name) + " " + caps->model_name : "Rotor " + std::to_string(settings_.model);
  }

 private:
  bool Failed(std::string text) {
    error_ = std::move(text);
    return false;
  }
  PortSettings settings_;
  int timeout_ms_;
  ROT* rot_ = nullptr;
  std::string error_;
};

int AddRig(const struct rig_caps* caps, void* data) {
  static_cast<std::vector<ModelInfo>*>(data)->push_back(
      {static_cast<int>(caps->rig_model), caps->mfg_name ? caps->mfg_name : "", caps->model_name ? caps->model_name : ""});
  return 1;
}

int AddRotator(const struct rot_caps* caps, void* data) {
  static_cast<std::vector<ModelInfo>*>(data)->push_back(
      {static_cast<int>(caps->rot_model), caps->mfg_name ? caps->mfg_name : "", caps->model_name ? caps->model_name : ""});
  return 1;
}

void SortModels(std::vector<ModelInfo>& models) {
  std::sort(models.begin(), models.end(), [](const ModelInfo& a, const ModelInfo& b) {
    return a.maker != b.maker ? a.maker < b.maker : a.name < b.name;
  });
}

}  // namespace

std::unique_ptr<RigPort> MakeHamlibRig(const PortSettings& settings, int timeout_ms) {
  return std::make_unique<HamlibRig>(settings, timeout_ms);
}

std::unique_ptr<RotatorPort> MakeHamlibRotator(const PortSettings& settings, int timeout_ms) {
  return std::make_unique<HamlibRotator>(settings, timeout_ms);
}

std::vector<ModelInfo> RigModels() {
  StartHamlib();
  std::vector<ModelInfo> models;
  rig_list_foreach(AddRig, &models);
  SortModels(models);
  return models;
}

std::vector<ModelInfo> RotatorModels() {
  StartHamlib();
  std::vector<ModelInfo> models;
  rot_list_foreach(AddRotator, &models);
  SortModels(models);
  return models;
}

int NetworkRigModel() { return RIG_MODEL_NETRIGCTL; }
int NetworkRotatorModel() { return ROT_MODEL_NETROTCTL; }
int DummyRigModel() { return RIG_MODEL_DUMMY; }
int DummyRotatorModel() { return ROT_MODEL_DUMMY; }

}  // namespace vek::rig
