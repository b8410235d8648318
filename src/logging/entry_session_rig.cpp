// The entry session following the rig: band and mode while no call is
// typed, the frequency of the contact.
#include "logging/entry_session.h"
#include "refdata/bands.h"

namespace vek {

Text ContestModeOfRig(std::string_view rig_mode, const std::vector<Text>& offered) {
  const auto has = [&](std::string_view m) { return std::find(offered.begin(), offered.end(), m) != offered.end(); };
  const auto starts = [&](std::string_view prefix) { return rig_mode.substr(0, prefix.size()) == prefix; };
  Text mode;
  if (rig_mode == "USB" || rig_mode == "LSB") mode = "SSB";
  else if (rig_mode == "CW" || rig_mode == "CWR") mode = "CW";
  else if (rig_mode == "FM" || rig_mode == "FMN" || rig_mode == "WFM") mode = "FM";
  else if (rig_mode == "AM" || rig_mode == "AMN") mode = "AM";
  if (!mode.empty()) return has(mode) ? mode : Text();
  if (starts("PKT") || starts("RTTY") || starts("DIG") || starts("FSK") || starts("PSK") || starts("DD") ||
      starts("FT") || starts("C4FM")) {
    // The contest's digital mode, whatever it calls it.
    for (const char* digital : {"DIGI", "DIGITAL", "PR", "RTTY"})
      if (has(digital)) return digital;
  }
  return {};
}

bool EntrySession::FollowRig(double hz, std::string_view rig_mode) {
  rig_mhz_ = hz > 0 ? hz / 1e6 : 0;
  if (!TrimBlanks(field(EntryFieldId::eCall).text).empty() || correction_ != 0) return false;
  const char band = rig_mhz_ > 0 ? BandCodeOfFrequency(rig_mhz_) : 0;
  const bool new_band = IsBandCode(band) && band != band_ && ctx_.definition.HasBand(band);
  const Text mode = ContestModeOfRig(rig_mode, Modes());
  const bool new_mode = !mode.empty() && mode != mode_;
  if (!new_band && !new_mode) return false;
  // As the band and mode lists of the window change them.
  FormToRecord();
  if (new_band) ChangeBand(band);
  if (new_mode) ChangeMode(mode);
  RecordToForm();
  return true;
}

}  // namespace vek
