#include "image/file/DimgPngReader.h"

namespace {

constexpr png_byte kColourChunks[] = "cHRM\0gAMA\0iCCP\0sRGB";

}  // namespace

DimgPngReader::DimgPngReader(Report report) : m_report(report) {
  m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, &OnMessage, &OnMessage);
  if (m_png == nullptr) return;
  m_info = png_create_info_struct(m_png);
  png_set_keep_unknown_chunks(m_png, PNG_HANDLE_CHUNK_NEVER, kColourChunks, 4);
}

DimgPngReader::~DimgPngReader() {
  if (m_png != nullptr) png_destroy_read_struct(&m_png, m_info != nullptr ? &m_info : nullptr, nullptr);
}

void DimgPngReader::OnMessage(png_structp png, png_const_charp message) {
  auto* self = static_cast<DimgPngReader*>(png_get_error_ptr(png));
  if (self == nullptr) return;
  if (self->m_report != nullptr) self->m_report(png, message);
  // Outside a step (while libpng builds its structures) returning is safe: an error then
  // takes libpng's own way out and the creation fails.
  if (self->m_trap.Armed()) self->m_trap.Leave();
}

bool DimgPngExpandTo8Bit(png_structp png, png_infop info) {
  const int depth = png_get_bit_depth(png, info);
  const int colour = png_get_color_type(png, info);
  const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (depth == 16) {
    png_set_strip_16(png);
    png_set_swap(png);
  }
  if (depth < 8) {
    png_set_packing(png);
    png_set_packswap(png);
  }
  if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (transparency) png_set_tRNS_to_alpha(png);
  if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  return (colour & PNG_COLOR_MASK_ALPHA) != 0 || transparency;
}
