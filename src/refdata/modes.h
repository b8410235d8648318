// Mode codes: one character per mode group, 'a' (CW) to 'm' (packet); a blank
// for a text that names no mode.
#pragma once

#include <string_view>

#include "base/text.h"

namespace vek {

constexpr char kNoMode = ' ';

char ModeCodeFromText(std::string_view text);
// The first spelling of the code's group ("CW", "SSB", ...), empty for a blank
// or an unknown code.
Text ModeName(char code);

}  // namespace vek
