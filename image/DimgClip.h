#pragma once

#include <cstdint>

// Rectangle clipping that every blit runs before it touches a pixel. Coordinates are i32,
// sizes u32; the rectangles and their positions are in/out, the image sizes are values.
// An empty intersection yields a width or height of 0; neither routine can fail.
//
// The argument order is the one the image library's dispatchers and workers use (destination
// position before destination size in DimgClipScaled); the texture copy families follow it.

// A rectangle of one size copied from (srcX, srcY) of the source to (dstX, dstY) of the
// destination: negative positions move the other side's position and shrink the size, then the
// size is cut to end inside both images.
void DimgClip(uint32_t& width, uint32_t& height, int32_t& dstX, int32_t& dstY,
              uint32_t dstImageWidth, uint32_t dstImageHeight, int32_t& srcX, int32_t& srcY,
              uint32_t srcImageWidth, uint32_t srcImageHeight);

// A source rectangle stretched onto a destination rectangle of another size: each side is clipped
// while the single-precision ratio of the incoming sizes (destination / source, per axis) is
// kept, quotients and products rounded to nearest with halves to even. A source width or
// height of 0 changes nothing. A destination size of 0 with a non-zero source size (ratio 0)
// clips the source to 0 wherever a side has to be cut.
void DimgClipScaled(int32_t& dstX, int32_t& dstY, uint32_t& dstWidth, uint32_t& dstHeight,
                    uint32_t dstImageWidth, uint32_t dstImageHeight, int32_t& srcX, int32_t& srcY,
                    uint32_t& srcWidth, uint32_t& srcHeight, uint32_t srcImageWidth,
                    uint32_t srcImageHeight);
