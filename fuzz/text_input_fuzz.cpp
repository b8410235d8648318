// Everything an operator or an imported file can type into a call, locator,
// band or mode field goes through these routines, and the rules files beside
// the program through the rich-text reader. Besides not crashing they
// must keep their promises on any bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/cp1252.h"
#include "base/rtf_reader.h"
#include "refdata/bands.h"
#include "refdata/call_sign.h"
#include "refdata/locator.h"
#include "refdata/modes.h"

namespace {
void Require(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // Every Windows-1252 text survives the trip through UTF-8.
  Require(vek::Utf8ToCp1252(vek::Cp1252ToUtf8(text)) == text);
  (void)vek::Utf8ToCp1252(text);

  // A rules file is shown whole or not at all; its text never grows beyond
  // the bytes it came from (each character costs at least one byte, a
  // paragraph break at least four).
  if (const auto doc = vek::ReadRtf(text)) Require(doc->PlainText().size() <= size);
  (void)vek::ReadRtf("{\\rtf1 " + std::string(text) + "}");

  const vek::Text home = vek::CallSignPart(text, true);
  const vek::Text prefix = vek::CallSignPart(text, false);
  // Parts come from the call itself: never longer than the call, never
  // holding a separator other than the one of a special pair.
  Require(home.size() <= size && prefix.size() <= size + 3);
  for (char c : home) Require(vek::IsAsciiDigit(c) || vek::IsAsciiUpper(c) || c == '/');

  vek::Coordinates c;
  if (vek::LocatorToCoordinates(text, c)) {
    Require(c.longitude >= 0 && c.longitude < 360 && c.latitude > -90 && c.latitude < 90);
    vek::Qrb q;
    Require(vek::LocatorDistance(text, "JO62MM", q));
    Require(q.km >= 0 && q.km <= 20002 && q.bearing >= 0 && q.bearing < 360);
  }
  (void)vek::IsLocatorValid(text);

  const char band = vek::BandCodeFromText(text);
  Require(band == vek::kNoBandText || vek::IsBandCode(band));
  (void)vek::BandStartFrequency(text);
  const char mode = vek::ModeCodeFromText(text);
  Require(mode == vek::kNoMode || (mode >= 'a' && mode <= 'm'));

  if (size >= sizeof(double)) {
    double v;
    __builtin_memcpy(&v, data, sizeof v);
    const double mhz = vek::NormaliseFrequency(v);
    (void)vek::BandCodeOfFrequency(mhz);
  }
  return 0;
}
