#pragma once

#include "image/DImage.h"

#include <cstdint>

// Alpha inversion: each pixel's alpha in the destination becomes the complement of the same
// pixel's alpha in the source (32-bit: 255 - a; A1R5G5B5: the bit flipped; A4R4G4B4: 15 - the
// nibble), the colour bits untouched. The renderer passes one image as both to invert it in
// place. Both rectangles start at (0, 0); width x height is cut to both images.
//
// Each routine serves the kinds named after it, on both images: 32 kinds 0 and 2, 24 kinds 1, 3
// and 7, 1555 kind 4, 4444 kind 5, 565 kind 6. The 24 and 565 routines have no alpha to invert
// and only walk their rows. An image of another kind is left alone: its pixels have another
// size, and stepping them by this routine's size would run past the rows.
//
// The addresses are the images' first-row addresses (GetBits); the byte is not read.

void DimgMergeAlpha32(uint8_t* dstBits, const dbtl::DImage& dstImage, const uint8_t* srcBits,
                      const dbtl::DImage& srcImage, uint32_t width, uint32_t height, uint8_t byte);
void DimgMergeAlpha24(uint8_t* dstBits, const dbtl::DImage& dstImage, const uint8_t* srcBits,
                      const dbtl::DImage& srcImage, uint32_t width, uint32_t height, uint8_t byte);
void DimgMergeAlpha1555(uint8_t* dstBits, const dbtl::DImage& dstImage, const uint8_t* srcBits,
                        const dbtl::DImage& srcImage, uint32_t width, uint32_t height,
                        uint8_t byte);
void DimgMergeAlpha4444(uint8_t* dstBits, const dbtl::DImage& dstImage, const uint8_t* srcBits,
                        const dbtl::DImage& srcImage, uint32_t width, uint32_t height,
                        uint8_t byte);
void DimgMergeAlpha565(uint8_t* dstBits, const dbtl::DImage& dstImage, const uint8_t* srcBits,
                       const dbtl::DImage& srcImage, uint32_t width, uint32_t height, uint8_t byte);
