// Removes the thumbnail of the original from a copied Exif block: the link from IFD0 to IFD1 is
// cleared, and the bytes of IFD1, its values and the thumbnail image are removed as well, so that
// no viewer (nor anyone reading the file's bytes) finds a picture of the uncropped original in
// the copy. Only bytes that nothing kept points to are touched: a part of IFD1 that shares its
// bytes with a kept IFD stays, and the block is cut short only where everything from the cut to
// its end belonged to the thumbnail. Data a camera keeps just past a maker note's stated length
// (Nikon does) is not pointed to by any IFD but still read through the maker note's own offsets,
// so it is never cut off.
#pragma once

#include <cstdint>
#include <vector>

#include "metadata/tiff_structure.h"

namespace lumivex {

// `block` is an APP1 payload ("Exif\0\0" and the TIFF structure); `kept` are the IFDs the copy
// keeps (IFD0, the Exif, interoperability and GPS IFDs), whose tables and values are never
// touched.
void RemoveThumbnail(std::vector<std::uint8_t>& block, const std::vector<TiffIfd>& kept);

}  // namespace lumivex
