#pragma once

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/rcptr.h"

#include <jpeglib.h>

#include <cstdint>
#include <cstdio>

// The JPEG reader's source record: libjpeg's source manager first, then the file, the 4096-byte
// input buffer and whether nothing has been read yet.
struct DimgJpegSource {
  jpeg_source_mgr pub;
  dbtl::DFile* file;
  dbtl::rcptr<uint8_t> buffer;
  bool startOfFile;
};

constexpr size_t DimgJpegBufferSize = 4096;

// libjpeg's error exit: leaves libjpeg back into the reader, which then fails.
void DimgJpegErrorExit(j_common_ptr cinfo);
// Source manager callbacks over the record above.
void DimgJpegInitSource(j_decompress_ptr cinfo);
boolean DimgJpegFillInput(j_decompress_ptr cinfo);
void DimgJpegSkipInput(j_decompress_ptr cinfo, long n);
