// Maidenhead locators: form check, centre of the square, great-circle
// distance (QRB) and bearing at a fixed 111.12 km per degree of arc.
#pragma once

#include <cstdint>
#include <string_view>

namespace vek {

struct Coordinates {
  double longitude = 0;  // degrees east of Greenwich, 0 up to 360
  double latitude = 0;   // degrees, positive north
};

struct Qrb {
  double km = 0;
  double bearing = 0;  // degrees from north, clockwise
};

// Tests only the positions the text has; the empty text passes.
bool IsLocatorValid(std::string_view locator);
// 2 to 6 characters, completed to the centre of the area they name.
bool LocatorToCoordinates(std::string_view locator, Coordinates& out);
bool LocatorDistance(std::string_view own, std::string_view partner, Qrb& out);

// The distance a contact keeps: whole kilometres, halves to the even neighbour.
std::int32_t StoredDistance(double km);

}  // namespace vek
