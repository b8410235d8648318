#include <charconv>

#include "rig/rig_port.h"

namespace vek::rig {

namespace {

int Number(const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value >= 0 ? value : 0;
}

PortSettings ReadPort(const std::function<std::string(std::string_view)>& get, const std::string& prefix) {
  PortSettings p;
  p.model = Number(get(prefix + ".model"));
  p.device = get(prefix + ".device");
  p.speed = Number(get(prefix + ".speed"));
  return p;
}

void WritePort(const PortSettings& p, const std::function<void(std::string_view, std::string_view)>& set,
               const std::string& prefix) {
  set(prefix + ".model", std::to_string(p.model));
  set(prefix + ".device", p.device);
  set(prefix + ".speed", std::to_string(p.speed));
}

}  // namespace

RigSettings ReadRigSettings(const std::function<std::string(std::string_view)>& get) {
  RigSettings s;
  s.rig = ReadPort(get, "rig");
  s.rotator = ReadPort(get, "rotator");
  s.poll = get("rig.poll") != "0";
  return s;
}

void WriteRigSettings(const RigSettings& s, const std::function<void(std::string_view, std::string_view)>& set) {
  WritePort(s.rig, set, "rig");
  WritePort(s.rotator, set, "rotator");
  set("rig.poll", s.poll ? "1" : "0");
}

}  // namespace vek::rig
