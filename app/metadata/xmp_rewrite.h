// The XMP packet a resized copy carries, made to agree with the copy as its Exif block does: the
// size (tiff:ImageWidth and ImageLength, exif:PixelXDimension and PixelYDimension), the
// orientation once the pixels are upright, the colour space once they were converted to sRGB,
// and on request without the photo's location, keeping everything else (title, rights,
// keywords). Properties are found by their namespace, whatever prefix the packet gives it, in
// either form RDF allows for a simple value: an attribute (tiff:Orientation="6") or an element
// (<tiff:Orientation>6</tiff:Orientation>). A property the packet does not hold is not added.
#pragma once

#include <cstdint>
#include <string>

namespace lumivex {

struct XmpRewrite {
  std::int32_t width = 0;  // the output's size in pixels
  std::int32_t height = 0;
  bool upright = false;          // the pixels are upright: tiff:Orientation becomes 1
  bool stripLocation = false;    // the location properties go
  bool convertedToSrgb = false;  // exif:ColorSpace becomes 1
  bool dropExtension = false;    // the extended packet is not carried: its announcement goes
};

// The packet with these changes. Empty when location was to go and the packet still holds one
// that this edit could not take out (a form it does not know): then no packet is safer.
std::string RewriteXmp(std::string packet, const XmpRewrite& facts);

// True when the packet holds a location property: the exif namespace's GPS properties, or the
// latitude, longitude or altitude of a maker's namespace that the edit knows (DJI's drones).
bool XmpHoldsLocation(const std::string& packet);

// The GUID the main packet names its extended packet by (xmpNote:HasExtendedXMP); empty for none.
std::string XmpExtensionGuidOf(const std::string& packet);

// True when the packet holds a location property, for an extended packet.
inline bool XmpExtensionHoldsLocation(const std::string& extension) { return XmpHoldsLocation(extension); }

}  // namespace lumivex
