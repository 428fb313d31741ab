#pragma once

#include "image/omb/ombImage.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// "CAIB" containers: a big-endian header of 10 words, then one table of levels + 1 offsets per
// layer (the embedded PNG first, then the compressed formats that the flags announce, in
// ascending order). The parsers work over bytes, so the tests and the fuzz target drive them
// without a file.

inline constexpr size_t OMB_CAIB_HEADER_BYTES = 40;
inline constexpr uint32_t OMB_CAIB_MAGIC = 0x43414942;  // "CAIB"
// Flag bit 16: only the embedded PNG is present, whatever bits 17 to 21 say.
inline constexpr uint32_t OMB_CAIB_FLAG_PNG_ONLY = 0x10000;
inline constexpr uint32_t OMB_CAIB_MAX_LAYERS = 6;

struct OmbCaibHeader {
  uint32_t width;
  uint32_t height;
  uint32_t flags;
  uint32_t levels;
  int32_t values[2];
  float gamma;
  uint32_t alphaMode;
  uint32_t layerCount;
  uint32_t layerFormats[OMB_CAIB_MAX_LAYERS];
};

// The header from the first 40 bytes; nothing for a short input, another magic, a version
// other than 0, or a zero width or height.
std::optional<OmbCaibHeader> ombCaibParseHeader(const uint8_t* bytes, size_t size);

// Bytes of the offset tables that follow the header; nothing when they would run past the end
// of a file of `fileSize` bytes (a `levels` value read from the file must never size a read or
// an allocation on its own).
std::optional<size_t> ombCaibTableBytes(const OmbCaibHeader& header, uint64_t fileSize);

// The layer table (one block from the heap, to be released with free()) from the offset tables;
// null when the bytes are fewer than the tables need or an offset points past the file.
OMB_IMAGE_LAYER_TABLE* ombCaibMakeLayerTable(const OmbCaibHeader& header, const uint8_t* tables,
                                             size_t size, uint64_t fileSize);

// Reads the container at the start of the file into the cleared record (source 1, gamma
// mode 3); false when the file is not a valid container.
bool ombImageReadContainer(OMB_IMAGE_INFO* info, OMB_FILE* file);

// Decodes a container record's layer for the format into a buffer already checked to be large
// enough for the record's size: the embedded PNG for formats 0 to 4 (no gamma, no alpha mode),
// the compressed block rows, copied as stored, for formats 5 to 9.
int32_t ombImageLoadContainer(OMB_IMAGE_INFO* info, OMB_FILE* file, uint32_t pitch,
                              uint32_t format, uint8_t* buffer, uint32_t rows);
