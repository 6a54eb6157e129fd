// libheif's functions that the readers and writers call, each looked up in the library opened on first use.
#pragma once

#include <libheif/heif.h>

#include "libraries/lazy_library.h"

#define heif_context_add_XMP_metadata CORVALE_LAZY(heif, heif_context_add_XMP_metadata)
#define heif_context_add_exif_metadata CORVALE_LAZY(heif, heif_context_add_exif_metadata)
#define heif_context_alloc CORVALE_LAZY(heif, heif_context_alloc)
#define heif_context_encode_image CORVALE_LAZY(heif, heif_context_encode_image)
#define heif_context_free CORVALE_LAZY(heif, heif_context_free)
#define heif_context_get_encoder_for_format CORVALE_LAZY(heif, heif_context_get_encoder_for_format)
#define heif_context_get_primary_image_handle CORVALE_LAZY(heif, heif_context_get_primary_image_handle)
#define heif_context_read_from_memory_without_copy \
  CORVALE_LAZY(heif, heif_context_read_from_memory_without_copy)
#define heif_context_set_maximum_image_size_limit \
  CORVALE_LAZY(heif, heif_context_set_maximum_image_size_limit)
#define heif_context_write CORVALE_LAZY(heif, heif_context_write)
#define heif_decode_image CORVALE_LAZY(heif, heif_decode_image)
#define heif_encoder_release CORVALE_LAZY(heif, heif_encoder_release)
#define heif_encoder_set_lossy_quality CORVALE_LAZY(heif, heif_encoder_set_lossy_quality)
#define heif_encoder_set_parameter_string CORVALE_LAZY(heif, heif_encoder_set_parameter_string)
#define heif_has_compatible_brand CORVALE_LAZY(heif, heif_has_compatible_brand)
#define heif_have_decoder_for_format CORVALE_LAZY(heif, heif_have_decoder_for_format)
#define heif_image_add_plane CORVALE_LAZY(heif, heif_image_add_plane)
#define heif_image_create CORVALE_LAZY(heif, heif_image_create)
#define heif_image_get_height CORVALE_LAZY(heif, heif_image_get_height)
#define heif_image_get_plane CORVALE_LAZY(heif, heif_image_get_plane)
#define heif_image_get_plane_readonly CORVALE_LAZY(heif, heif_image_get_plane_readonly)
#define heif_image_get_width CORVALE_LAZY(heif, heif_image_get_width)
#define heif_image_handle_get_color_profile_type CORVALE_LAZY(heif, heif_image_handle_get_color_profile_type)
#define heif_image_handle_get_height CORVALE_LAZY(heif, heif_image_handle_get_height)
#define heif_image_handle_get_list_of_metadata_block_IDs \
  CORVALE_LAZY(heif, heif_image_handle_get_list_of_metadata_block_IDs)
#define heif_image_handle_get_metadata CORVALE_LAZY(heif, heif_image_handle_get_metadata)
#define heif_image_handle_get_metadata_content_type \
  CORVALE_LAZY(heif, heif_image_handle_get_metadata_content_type)
#define heif_image_handle_get_metadata_size CORVALE_LAZY(heif, heif_image_handle_get_metadata_size)
#define heif_image_handle_get_raw_color_profile CORVALE_LAZY(heif, heif_image_handle_get_raw_color_profile)
#define heif_image_handle_get_raw_color_profile_size \
  CORVALE_LAZY(heif, heif_image_handle_get_raw_color_profile_size)
#define heif_image_handle_get_width CORVALE_LAZY(heif, heif_image_handle_get_width)
#define heif_image_handle_has_alpha_channel CORVALE_LAZY(heif, heif_image_handle_has_alpha_channel)
#define heif_image_handle_release CORVALE_LAZY(heif, heif_image_handle_release)
#define heif_image_release CORVALE_LAZY(heif, heif_image_release)
#define heif_image_set_nclx_color_profile CORVALE_LAZY(heif, heif_image_set_nclx_color_profile)
#define heif_image_set_raw_color_profile CORVALE_LAZY(heif, heif_image_set_raw_color_profile)
#define heif_main_brand CORVALE_LAZY(heif, heif_main_brand)
#define heif_nclx_color_profile_alloc CORVALE_LAZY(heif, heif_nclx_color_profile_alloc)
#define heif_nclx_color_profile_free CORVALE_LAZY(heif, heif_nclx_color_profile_free)
