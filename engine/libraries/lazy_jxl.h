// libjxl's functions that the readers and writers call, each looked up in the library opened on first use.
// The C++ helpers (JxlDecoderMake and the deleters) come after the names, so that they call the
// looked-up functions too.
#pragma once

#include <jxl/decode.h>
#include <jxl/encode.h>

#include "libraries/lazy_library.h"

#define JxlColorEncodingSetToSRGB CORVALE_LAZY(jxl, JxlColorEncodingSetToSRGB)
#define JxlDecoderCloseInput CORVALE_LAZY(jxl, JxlDecoderCloseInput)
#define JxlDecoderCreate CORVALE_LAZY(jxl, JxlDecoderCreate)
#define JxlDecoderDestroy CORVALE_LAZY(jxl, JxlDecoderDestroy)
#define JxlDecoderGetBasicInfo CORVALE_LAZY(jxl, JxlDecoderGetBasicInfo)
#define JxlDecoderGetColorAsEncodedProfile CORVALE_LAZY(jxl, JxlDecoderGetColorAsEncodedProfile)
#define JxlDecoderGetColorAsICCProfile CORVALE_LAZY(jxl, JxlDecoderGetColorAsICCProfile)
#define JxlDecoderGetICCProfileSize CORVALE_LAZY(jxl, JxlDecoderGetICCProfileSize)
#define JxlDecoderProcessInput CORVALE_LAZY(jxl, JxlDecoderProcessInput)
#define JxlDecoderReleaseInput CORVALE_LAZY(jxl, JxlDecoderReleaseInput)
#define JxlDecoderSetImageOutCallback CORVALE_LAZY(jxl, JxlDecoderSetImageOutCallback)
#define JxlDecoderSetInput CORVALE_LAZY(jxl, JxlDecoderSetInput)
#define JxlDecoderSetPreferredColorProfile CORVALE_LAZY(jxl, JxlDecoderSetPreferredColorProfile)
#define JxlDecoderSubscribeEvents CORVALE_LAZY(jxl, JxlDecoderSubscribeEvents)
#define JxlEncoderAddBox CORVALE_LAZY(jxl, JxlEncoderAddBox)
#define JxlEncoderAddImageFrame CORVALE_LAZY(jxl, JxlEncoderAddImageFrame)
#define JxlEncoderCloseBoxes CORVALE_LAZY(jxl, JxlEncoderCloseBoxes)
#define JxlEncoderCloseInput CORVALE_LAZY(jxl, JxlEncoderCloseInput)
#define JxlEncoderCreate CORVALE_LAZY(jxl, JxlEncoderCreate)
#define JxlEncoderDestroy CORVALE_LAZY(jxl, JxlEncoderDestroy)
#define JxlEncoderFrameSettingsCreate CORVALE_LAZY(jxl, JxlEncoderFrameSettingsCreate)
#define JxlEncoderFrameSettingsSetOption CORVALE_LAZY(jxl, JxlEncoderFrameSettingsSetOption)
#define JxlEncoderInitBasicInfo CORVALE_LAZY(jxl, JxlEncoderInitBasicInfo)
#define JxlEncoderProcessOutput CORVALE_LAZY(jxl, JxlEncoderProcessOutput)
#define JxlEncoderSetBasicInfo CORVALE_LAZY(jxl, JxlEncoderSetBasicInfo)
#define JxlEncoderSetColorEncoding CORVALE_LAZY(jxl, JxlEncoderSetColorEncoding)
#define JxlEncoderSetFrameDistance CORVALE_LAZY(jxl, JxlEncoderSetFrameDistance)
#define JxlEncoderSetFrameLossless CORVALE_LAZY(jxl, JxlEncoderSetFrameLossless)
#define JxlEncoderSetICCProfile CORVALE_LAZY(jxl, JxlEncoderSetICCProfile)
#define JxlEncoderUseBoxes CORVALE_LAZY(jxl, JxlEncoderUseBoxes)

#include <jxl/decode_cxx.h>
#include <jxl/encode_cxx.h>
