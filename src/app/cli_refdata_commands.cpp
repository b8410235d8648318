// locator, band, mode, call: the pure reference-data operations, for scripts
// and for checking a value by hand.
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "app/cli_commands.h"
#include "app/cli_output.h"
#include "base/cp1252.h"
#include "refdata/bands.h"
#include "refdata/call_sign.h"
#include "refdata/locator.h"
#include "refdata/modes.h"

namespace vek::cli {
namespace {

// A typed number as an operator writes it: '.' or ',' as decimal point.
std::optional<double> ParseNumber(const std::string& text) {
  std::string t = Trim(text);
  for (char& c : t)
    if (c == ',') c = '.';
  if (t.empty()) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::string CodeText(char code) { return code == '\0' || code == ' ' ? std::string() : std::string(1, code); }

int FailLocator(Output& out, const Text& locator) {
  return out.Abort("'" + locator + "' is no Maidenhead locator (2 to 6 characters such as JO62MM)");
}

int RunLocator(const CommandContext& ctx, const std::string& a_utf8, const std::optional<std::string>& b_utf8) {
  Output out(ctx.json);
  const Text a = Utf8ToCp1252(a_utf8);
  Coordinates ca;
  if (!LocatorToCoordinates(a, ca)) return FailLocator(out, a);
  if (!b_utf8) {
    out.Text("locator", AsciiUpper(a));
    out.Number("longitude", ca.longitude, 6);
    out.Number("latitude", ca.latitude, 6);
    out.Print(std::cout);
    return 0;
  }
  const Text b = Utf8ToCp1252(*b_utf8);
  Qrb qrb;
  if (!LocatorDistance(a, b, qrb)) return FailLocator(out, b);
  out.Text("from", AsciiUpper(a));
  out.Text("to", AsciiUpper(b));
  out.Number("distance_km", qrb.km, 2);
  out.Number("bearing_deg", qrb.bearing, 1);
  out.Integer("stored_distance_km", StoredDistance(qrb.km));
  out.Print(std::cout);
  return 0;
}

void PutBand(Output& out, char code) {
  out.Value("band_code", CodeText(code), CodeText(code));
  out.Text("band_name", BandName(code, false));
  out.Text("compact_name", BandName(code, true));
  out.Number("start_frequency_mhz", BandStartFrequency(BandName(code, false)), 6);
}

int RunBand(const CommandContext& ctx, const std::string& input_utf8) {
  Output out(ctx.json);
  const Text input = Utf8ToCp1252(input_utf8);
  out.Text("input", input);
  const char by_text = BandCodeFromText(input);
  const std::optional<double> number = ParseNumber(input);
  std::optional<double> mhz;
  char by_frequency = kNoBandFrequency;
  if (number) {
    mhz = NormaliseFrequency(*number);
    by_frequency = BandCodeOfFrequency(*mhz);
  }
  // A band name wins over a frequency: "2" is the 2 m band, not 2 MHz.
  const char code = by_text != kNoBandText ? by_text : by_frequency;
  if (code == kNoBandText || code == kNoBandFrequency) {
    return out.Abort("'" + input + "' names no band and is no frequency inside a band");
  }
  out.Text("recognised_as", by_text != kNoBandText ? "band" : "frequency");
  PutBand(out, code);
  if (mhz) {
    out.Number("normalised_mhz", *mhz, 6);
    out.Value("frequency_band_code", CodeText(by_frequency), CodeText(by_frequency));
  }
  out.Print(std::cout);
  return 0;
}

int RunMode(const CommandContext& ctx, const std::string& input_utf8) {
  Output out(ctx.json);
  const Text input = Utf8ToCp1252(input_utf8);
  const char code = ModeCodeFromText(input);
  out.Text("input", input);
  if (code == kNoMode) {
    return out.Abort("'" + input + "' names no mode (spellings are case-sensitive: CW, SSB, FM ...)");
  }
  out.Value("mode_code", CodeText(code), CodeText(code));
  out.Text("mode_name", ModeName(code));
  out.Print(std::cout);
  return 0;
}

int RunCall(const CommandContext& ctx, const std::string& input_utf8) {
  Output out(ctx.json);
  const Text call = Utf8ToCp1252(input_utf8);
  out.Text("call", call);
  out.Text("home_call", CallSignPart(call, true));
  out.Text("prefix_part", CallSignPart(call, false));
  out.Print(std::cout);
  return 0;
}

}  // namespace

void RegisterRefdataCommands(CLI::App& app, CommandContext& ctx) {
  {
    auto* cmd = app.add_subcommand("locator", "Centre of a locator, or distance and bearing between two");
    auto a = std::make_shared<std::string>();
    auto b = std::make_shared<std::string>();
    cmd->add_option("A", *a, "own locator (2 to 6 characters)")->required();
    cmd->add_option("B", *b, "partner's locator");
    cmd->footer(
        "Keys: one locator: locator, longitude, latitude (6 decimals, longitude 0..360 east).\n"
        "      two locators: from, to, distance_km (2 decimals), bearing_deg (1 decimal),\n"
        "      stored_distance_km (whole km, halves to even). Exit code 1 for a bad locator.");
    cmd->callback([&ctx, cmd, a, b] {
      std::optional<std::string> second;
      if (cmd->count("B")) second = *b;
      ctx.result = RunLocator(ctx, *a, second);
    });
  }
  {
    auto* cmd = app.add_subcommand("band", "Band of a band text or a typed frequency");
    auto text = std::make_shared<std::string>();
    cmd->add_option("TEXT-OR-FREQUENCY", *text, "e.g. \"2 m\", 70cm, 144.3, 3550 (kHz)")->required();
    cmd->footer(
        "Keys: input, recognised_as (band|frequency), band_code, band_name, compact_name,\n"
        "      start_frequency_mhz; for a number also normalised_mhz and frequency_band_code.\n"
        "      Exit code 1 when the input names no band.");
    cmd->callback([&ctx, text] { ctx.result = RunBand(ctx, *text); });
  }
  {
    auto* cmd = app.add_subcommand("mode", "Mode code of a mode text");
    auto text = std::make_shared<std::string>();
    cmd->add_option("TEXT", *text, "e.g. SSB, 2xSSB, PSK31")->required();
    cmd->footer("Keys: input, mode_code, mode_name. Exit code 1 for an unknown mode.");
    cmd->callback([&ctx, text] { ctx.result = RunMode(ctx, *text); });
  }
  {
    auto* cmd = app.add_subcommand("call", "Home call and prefix part of a call sign");
    auto text = std::make_shared<std::string>();
    cmd->add_option("CALL", *text, "e.g. DL/OE1ABC/P")->required();
    cmd->footer("Keys: call, home_call, prefix_part (empty when the call has none).");
    cmd->callback([&ctx, text] { ctx.result = RunCall(ctx, *text); });
  }
}

}  // namespace vek::cli
