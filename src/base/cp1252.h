// Windows-1252 <-> UTF-8 at the edges of the core (widgets, terminal, UTF-8
// input files). Every one of the 256 bytes has a UTF-8 form, so a record text
// shown and typed back unchanged comes back byte for byte.
#pragma once

#include <string>
#include <string_view>

#include "base/text.h"

namespace vek {

std::string Cp1252ToUtf8(std::string_view cp1252);

// Characters that Windows-1252 cannot hold, and malformed UTF-8, become
// `replacement`; `lossless` (when given) tells whether that happened.
Text Utf8ToCp1252(std::string_view utf8, char replacement = '?', bool* lossless = nullptr);

// Message literals are written in UTF-8 in the source; this turns one into the
// core's text form.
inline Text W(std::string_view utf8_literal) { return Utf8ToCp1252(utf8_literal); }

}  // namespace vek
