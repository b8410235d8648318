#include "app/cli_output.h"

#include <cmath>
#include <cstdio>
#include <iostream>

#include "base/cp1252.h"

namespace vek::cli {

double RoundTo(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return std::round(value * scale) / scale;
}

std::string Fixed(double value, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  return buf;
}

void Output::Value(std::string_view key, nlohmann::ordered_json value, std::string shown) {
  object_[std::string(key)] = std::move(value);
  lines_ += std::string(key) + ": " + shown + "\n";
}

void Output::Text(std::string_view key, std::string_view cp1252) {
  const std::string utf8 = Cp1252ToUtf8(cp1252);
  Value(key, utf8, utf8);
}

void Output::Number(std::string_view key, double value, int decimals) {
  Value(key, RoundTo(value, decimals), Fixed(value, decimals));
}

void Output::Integer(std::string_view key, long long value) { Value(key, value, std::to_string(value)); }

void Output::Bool(std::string_view key, bool value) { Value(key, value, value ? "yes" : "no"); }

void Output::Null(std::string_view key) { Value(key, nullptr, "-"); }

int Output::Fail(std::string_view message) {
  object_["error"] = Cp1252ToUtf8(message);
  std::cerr << "error: " << Cp1252ToUtf8(message) << "\n";
  return 1;
}

int Output::Abort(std::string_view message) {
  const int rc = Fail(message);
  Print(std::cout);
  return rc;
}

void Output::Print(std::ostream& out) const {
  if (json_)
    out << object_.dump() << "\n";
  else
    out << lines_;
}

}  // namespace vek::cli
