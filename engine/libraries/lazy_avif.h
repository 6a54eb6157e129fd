// libavif's functions that the AVIF writer calls, each looked up in the library opened on first use.
#pragma once

#include <avif/avif.h>

#include "libraries/lazy_library.h"

#define avifEncoderCreate CORVALE_LAZY(avif, avifEncoderCreate)
#define avifEncoderDestroy CORVALE_LAZY(avif, avifEncoderDestroy)
#define avifEncoderWrite CORVALE_LAZY(avif, avifEncoderWrite)
#define avifImageCreate CORVALE_LAZY(avif, avifImageCreate)
#define avifImageDestroy CORVALE_LAZY(avif, avifImageDestroy)
#define avifImageRGBToYUV CORVALE_LAZY(avif, avifImageRGBToYUV)
#define avifImageSetMetadataExif CORVALE_LAZY(avif, avifImageSetMetadataExif)
#define avifImageSetMetadataXMP CORVALE_LAZY(avif, avifImageSetMetadataXMP)
#define avifImageSetProfileICC CORVALE_LAZY(avif, avifImageSetProfileICC)
#define avifRGBImageSetDefaults CORVALE_LAZY(avif, avifRGBImageSetDefaults)
#define avifRWDataFree CORVALE_LAZY(avif, avifRWDataFree)
#define avifResultToString CORVALE_LAZY(avif, avifResultToString)
