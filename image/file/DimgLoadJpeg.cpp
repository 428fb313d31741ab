#include "image/file/DimgLoadJpeg.h"

#include "image/DImageKind.h"
#include "image/file/DimgErrorTrap.h"
#include "image/file/DimgFileIo.h"
#include "image/file/DimgLoad.h"
#include "image/file/DimgPixelLimit.h"

#include <jerror.h>

#include <cstdlib>

namespace {

DimgJpegSource& sourceOf(j_decompress_ptr cinfo) {
  // The source manager is the record's first member.
  return *reinterpret_cast<DimgJpegSource*>(cinfo->src);
}

DimgErrorTrap& trapOf(j_common_ptr cinfo) { return *static_cast<DimgErrorTrap*>(cinfo->client_data); }

void silent(j_common_ptr) {}

void terminateSource(j_decompress_ptr) {}

}  // namespace

void DimgJpegErrorExit(j_common_ptr cinfo) {
  DimgErrorTrap& trap = trapOf(cinfo);
  // Every libjpeg call of the reader runs under the trap; libjpeg does not survive a return.
  if (!trap.Armed()) std::abort();
  trap.Leave();
}

void DimgJpegInitSource(j_decompress_ptr cinfo) {
  DimgJpegSource& source = sourceOf(cinfo);
  source.startOfFile = true;
  try {
    source.file->Seek(0, dbtl::DSEEK_BEGIN);
  } catch (...) {
    // The first fill then reads from wherever the file stands, or nothing.
  }
}

boolean DimgJpegFillInput(j_decompress_ptr cinfo) {
  DimgJpegSource& source = sourceOf(cinfo);
  uint8_t* buffer = source.buffer.Get();
  size_t got = DimgReadSome(*source.file, buffer, DimgJpegBufferSize);
  if (got == 0) {
    if (source.startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // An image cut short ends here as if its end marker had come.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    buffer[0] = 0xFF;
    buffer[1] = JPEG_EOI;
    got = 2;
  }
  source.pub.next_input_byte = buffer;
  source.pub.bytes_in_buffer = got;
  source.startOfFile = false;
  return TRUE;
}

void DimgJpegSkipInput(j_decompress_ptr cinfo, long n) {
  if (n <= 0) return;
  DimgJpegSource& source = sourceOf(cinfo);
  const auto count = static_cast<size_t>(n);
  if (count <= source.pub.bytes_in_buffer) {
    source.pub.next_input_byte += count;
    source.pub.bytes_in_buffer -= count;
    return;
  }
  bool moved = false;
  try {
    moved = source.file->Seek(static_cast<int64_t>(count - source.pub.bytes_in_buffer),
                              dbtl::DSEEK_CURRENT);
  } catch (...) {
  }
  if (!moved) ERREXIT(cinfo, JERR_FILE_READ);
  source.pub.bytes_in_buffer = 0;
}

bool DimgLoadJpeg(dbtl::DImage& image, dbtl::DFile& file) {
  DimgErrorTrap trap;
  jpeg_error_mgr errors;
  jpeg_decompress_struct cinfo{};
  cinfo.err = jpeg_std_error(&errors);
  errors.error_exit = &DimgJpegErrorExit;
  errors.output_message = &silent;
  cinfo.client_data = &trap;

  DimgJpegSource source{};
  source.buffer.Create(DimgJpegBufferSize);
  source.file = &file;
  source.pub.init_source = &DimgJpegInitSource;
  source.pub.fill_input_buffer = &DimgJpegFillInput;
  source.pub.skip_input_data = &DimgJpegSkipInput;
  source.pub.resync_to_restart = &jpeg_resync_to_restart;
  source.pub.term_source = &terminateSource;

  bool loaded = trap.Run([&] {
    jpeg_create_decompress(&cinfo);
    cinfo.src = &source.pub;
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    cinfo.dct_method = JDCT_FLOAT;
  });
  // Checked before libjpeg allocates its buffers for the picture (a progressive file keeps
  // every coefficient of it) and before the image is made.
  loaded = loaded && DimgPixelCountAllowed(cinfo.image_width, cinfo.image_height) &&
           trap.Run([&] { jpeg_start_decompress(&cinfo); }) && cinfo.output_components == 3 &&
           image.CreateDefaultPitch(cinfo.output_width, cinfo.output_height, DImageKindRGB8);
  if (loaded) {
    bool complete = true;
    image.GetBits();
    loaded = trap.Run([&] {
      while (complete && cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.GetPixelAddress(0, cinfo.output_scanline);
        complete = jpeg_read_scanlines(&cinfo, &row, 1) == 1;
      }
      if (complete) jpeg_finish_decompress(&cinfo);
    });
    loaded = loaded && complete;
    image.EndAccess();
    if (!loaded) image.Release();
  }
  jpeg_destroy_decompress(&cinfo);
  return loaded;
}
