#pragma once

#include <string>

namespace vanteo {

// Texts of a place on the Earth for people to type into a phone or a map: numbers in the "C"
// form whatever the locale. Latitude north positive, longitude east positive, in degrees.

// "35.347583, -117.808333": signed decimal degrees, six decimals (about 0.1 m).
std::string DecimalDegreesText(double latitudeDeg, double longitudeDeg);

// "35°20'51.3\"N 117°48'30.0\"W" (UTF-8): degrees, minutes and seconds to a tenth of a second,
// the hemisphere as a letter. Rounding carries into the minutes and degrees, so 59.96" is never
// written as 60.0".
std::string DegreesMinutesSecondsText(double latitudeDeg, double longitudeDeg);

// A web map showing a marker at the place (OpenStreetMap; no account, no key).
std::string MapUrl(double latitudeDeg, double longitudeDeg);

}  // namespace vanteo
