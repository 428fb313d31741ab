#pragma once

// Texture files of the game's pack. A "dgt" file is a "DMF " container:
//   "spec"      4-byte tag ("DTCC" opaque, "DTCA" with alpha) and a u32 edge length (square);
//   "compress"  DXT1 (opaque) or DXT3 (alpha) levels from the largest down to 4 x 4, back to
//               back without headers: w x h / 2 bytes a DXT1 level, w x h bytes a DXT3 one;
//   "raw"       an image file with the same picture, its alpha stored inverted (0 is opaque).
// Any other file is a colour image with an optional alpha image named "<path>_a".
// L3DDevice::CreateTexturePack and L3DDevice::CreateTextureDXTn are the device's side.

#include "foundation/bytes/Parsed.h"
#include "foundation/dbtl/DFile.h"
#include "image/DImage.h"

#include <cstdint>
#include <span>
#include <vector>

// The search list of texture files, and of the images of a texture that is no "dgt" file.
inline constexpr const char* L3D_TEXTURE_EXTENSIONS = "dgt:dgi:png:jpg:jpeg:bmp";
inline constexpr const char* L3D_IMAGE_EXTENSIONS = "dgi:png:jpg:jpeg:bmp";

struct L3DTextureSpec {
  uint32_t edge = 0;
  bool alpha = false;
};

// The "spec" entry of a "dgt" file (its bytes, of which 8 are read): the tag and the edge
// length. A short entry or another tag gives the game's message naming the file at path.
Parsed<L3DTextureSpec> l3dParseTextureSpec(std::span<const uint8_t> spec, const char* path);

// The levels of a "compress" entry from the largest down, each (size / 4)^2 blocks of 8 (DXT1)
// or 16 (DXT3) bytes with the size halving from edge; levels is the count the texture has. Data
// that end before the last level give the short-read message naming the file at path.
Parsed<std::vector<std::span<const uint8_t>>> l3dParseDxtLevels(std::span<const uint8_t> data,
                                                                uint32_t edge, bool alpha,
                                                                uint32_t levels,
                                                                const char* path);

// False when the file is no "DMF " container (then it is an image). Otherwise entry is opened
// on "compress" or "raw" and edge and alpha come from "spec"; a broken texture file is fatal.
bool l3dGetTextureData(dbtl::DFile& file, dbtl::DFile& entry, uint32_t& edge, bool& alpha,
                       bool compressed);

// The colour image at path and, when "<path>_a" exists, its alpha, merged into a kind-2 image.
void l3dLoadTextureImage(int32_t pack, const char* path, dbtl::DImage& image, bool& alpha);

// Turns an alpha stored inverted (0 opaque) back, in place, for the kinds that have alpha.
void l3dInvertAlpha(dbtl::DImage& image);
