#include "refdata/locator.h"

#include <cmath>
#include <string>

#include "base/text.h"

namespace vek {
namespace {

constexpr long double kDegToRad = 0.017453292519943295769L;
constexpr long double kPi = 3.1415926535897932385L;
constexpr long double kHalfPi = 1.5707963267948966193L;
constexpr double kKmPerDegree = 111.12;
constexpr double kBearingCutOff = 20000;

bool InRange(char c, char lo, char hi) { return c >= lo && c <= hi; }

// arccos through arctan, as the distance is defined; exact 0 and pi at the ends.
long double ArcCos(long double x) {
  if (x > 1) x = 1;
  if (x < -1) x = -1;
  const long double s = std::sqrt(1 - x * x);
  if (s == 0) return x > 0 ? 0 : kPi;
  return kHalfPi - std::atan(x / s);
}

}  // namespace

bool IsLocatorValid(std::string_view t) {
  const std::size_t n = t.size();
  if (n >= 1 && !InRange(t[0], 'A', 'R')) return false;
  if (n >= 2 && !InRange(t[1], 'A', 'R')) return false;
  if (n >= 5 && !InRange(t[4], 'A', 'X')) return false;
  if (n >= 6 && !InRange(t[5], 'A', 'X')) return false;
  if (n >= 3 && !InRange(t[2], '0', '9')) return false;
  if (n >= 4 && !InRange(t[3], '0', '9')) return false;
  return true;
}

bool LocatorToCoordinates(std::string_view locator, Coordinates& out) {
  out = {};
  if (locator.size() < 2 || locator.size() > 6) return false;
  std::string loc = AsciiUpper(locator);
  static constexpr const char* kTails[] = {"44XX", "4MX", "MM", "M", ""};
  loc += kTails[loc.size() - 2];
  if (!IsLocatorValid(loc)) return false;

  const int l1 = loc[0] - 'A', l2 = loc[1] - 'A';
  const int d3 = loc[2] - '0', d4 = loc[3] - '0';
  const int s5 = loc[4] - 'A', s6 = loc[5] - 'A';

  int degrees = l1 * 20 + 180;
  if (degrees >= 360) degrees -= 360;
  degrees += d3 * 2;
  int minutes = s5 * 5 + 2;
  const int seconds = 30;
  if (minutes > 60) {
    minutes -= 60;
    degrees += 1;
  }
  out.longitude = degrees + minutes / 60.0 + seconds / 3600.0;

  const double m = s6 * 2.5 + 1.25;
  const int whole_minutes = static_cast<int>(m);
  const int lat_seconds = static_cast<int>((m - whole_minutes) * 60);
  const int lat_degrees = l2 * 10 - 90 + d4;
  out.latitude = lat_degrees + whole_minutes / 60.0 + lat_seconds / 3600.0;
  return true;
}

bool LocatorDistance(std::string_view own, std::string_view partner, Qrb& out) {
  out = {};
  Coordinates a, b;
  if (!LocatorToCoordinates(own, a)) return false;
  if (!LocatorToCoordinates(partner, b)) return false;
  // The same centre is no distance at all. The formula below cannot say so:
  // sin^2 + cos^2 misses 1 by an ulp and puts a station a few millimetres
  // away from itself, with a bearing into a random direction.
  if (a.longitude == b.longitude && a.latitude == b.latitude) return true;
  // Extended precision keeps the short distances of neighbouring squares exact.
  using Real = long double;
  const Real lam1 = a.longitude * kDegToRad, phi1 = a.latitude * kDegToRad;
  const Real lam2 = b.longitude * kDegToRad, phi2 = b.latitude * kDegToRad;

  const Real x = std::sin(phi1) * std::sin(phi2) + std::cos(phi1) * std::cos(phi2) * std::cos(lam2 - lam1);
  const Real delta = ArcCos(x);
  const Real km = kKmPerDegree * delta * 180 / kPi;
  out.km = static_cast<double>(km);
  if (km <= 0 || km >= kBearingCutOff) return true;

  const Real c = (std::sin(phi2) - std::sin(phi1) * std::cos(delta)) / (std::cos(phi1) * std::sin(delta));
  Real bearing = ArcCos(c) * 180 / kPi;
  if (std::sin(lam2 - lam1) < 0) bearing = 360 - bearing;
  // Due north seen from the west side of the date line comes out as 360 - 0.
  if (bearing >= 360) bearing -= 360;
  out.bearing = static_cast<double>(bearing);
  return true;
}

std::int32_t StoredDistance(double km) { return static_cast<std::int32_t>(std::nearbyint(km)); }

}  // namespace vek
