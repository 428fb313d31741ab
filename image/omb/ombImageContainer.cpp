#include "image/omb/ombImageContainer.h"

#include "foundation/bytes/ByteReader.h"
#include "foundation/omb/ombCheckedMath.h"
#include "foundation/omb/ombCore.h"
#include "image/omb/ombImageFormat.h"
#include "image/omb/ombImagePng.h"

#include <cstdlib>
#include <vector>

namespace {

bool readExact(OMB_FILE* file, void* destination, uint64_t size) {
  if (size > UINT32_MAX) {
    return false;
  }
  uint32_t count = 0;
  return ombFileRead(&count, destination, static_cast<uint32_t>(size), file) == OMB_OK &&
         count == size;
}

const OMB_IMAGE_LAYER* findLayer(const OMB_IMAGE_LAYER_TABLE* table, uint32_t format) {
  if (table == nullptr) {
    return nullptr;
  }
  const uint32_t wanted = format <= OMB_IMAGE_FORMAT_RGB565 ? 0 : format;
  for (uint32_t i = 0; i < table->count; ++i) {
    if (table->layers[i].format == wanted && table->layers[i].offsetCount != 0) {
      return &table->layers[i];
    }
  }
  return nullptr;
}

}  // namespace

std::optional<OmbCaibHeader> ombCaibParseHeader(const uint8_t* bytes, size_t size) {
  ByteReader in(bytes, size);
  const uint32_t magic = in.u32be();
  const uint32_t zero = in.u32be();
  OmbCaibHeader header{};
  header.width = in.u32be();
  header.height = in.u32be();
  header.flags = in.u32be();
  header.levels = in.u32be();
  header.values[0] = in.i32be();
  header.values[1] = in.i32be();
  header.gamma = in.f32be();
  header.alphaMode = in.u32be();
  if (in.failed() || magic != OMB_CAIB_MAGIC || zero != 0) {
    return std::nullopt;
  }
  if (header.width == 0 || header.height == 0) {
    return std::nullopt;
  }
  header.layerFormats[header.layerCount++] = 0;
  if ((header.flags & OMB_CAIB_FLAG_PNG_ONLY) == 0) {
    for (uint32_t format = OMB_IMAGE_FORMAT_DXT1; format <= OMB_IMAGE_FORMAT_DXT5; ++format) {
      const uint32_t bit = OMB_IMAGE_FLAG_LAYER_DXT1 << (format - OMB_IMAGE_FORMAT_DXT1);
      if ((header.flags & bit) != 0) {
        header.layerFormats[header.layerCount++] = format;
      }
    }
  }
  return header;
}

std::optional<size_t> ombCaibTableBytes(const OmbCaibHeader& header, uint64_t fileSize) {
  // levels + 1 is at most 2^32 and the layer count at most 6, so the product fits 64 bits.
  const uint64_t bytes = (uint64_t{header.levels} + 1) * header.layerCount * 4;
  if (fileSize < OMB_CAIB_HEADER_BYTES || bytes > fileSize - OMB_CAIB_HEADER_BYTES) {
    return std::nullopt;
  }
  return static_cast<size_t>(bytes);
}

OMB_IMAGE_LAYER_TABLE* ombCaibMakeLayerTable(const OmbCaibHeader& header, const uint8_t* tables,
                                             size_t size, uint64_t fileSize) {
  const size_t offsetCount = size_t{header.levels} + 1;
  const size_t layers = header.layerCount;
  size_t tableBytes = 0;
  size_t allOffsets = 0;
  size_t offsetBytes = 0;
  size_t blockBytes = 0;
  if (layers == 0 || layers > OMB_CAIB_MAX_LAYERS || !ombCheckedMul(offsetCount, layers, &allOffsets) ||
      !ombCheckedMul(allOffsets, 4, &tableBytes) || size < tableBytes ||
      !ombCheckedMul(allOffsets, sizeof(uint64_t), &offsetBytes) ||
      !ombCheckedAdd(sizeof(OMB_IMAGE_LAYER_TABLE) + layers * sizeof(OMB_IMAGE_LAYER), offsetBytes,
                     &blockBytes) ||
      !ombIsAllocatableSize(blockBytes)) {
    return nullptr;
  }
  for (size_t i = 0; i < allOffsets; ++i) {
    if (loadU32be(tables + i * 4) > fileSize) {
      return nullptr;
    }
  }
  auto* block = static_cast<uint8_t*>(ombCheckAlloc(std::malloc(blockBytes)));
  if (block == nullptr) {
    return nullptr;
  }
  auto* table = reinterpret_cast<OMB_IMAGE_LAYER_TABLE*>(block);
  auto* entries = reinterpret_cast<OMB_IMAGE_LAYER*>(block + sizeof(OMB_IMAGE_LAYER_TABLE));
  auto* offsets = reinterpret_cast<uint64_t*>(block + sizeof(OMB_IMAGE_LAYER_TABLE) +
                                              layers * sizeof(OMB_IMAGE_LAYER));
  table->count = header.layerCount;
  table->layers = entries;
  for (size_t l = 0; l < layers; ++l) {
    entries[l].format = header.layerFormats[l];
    entries[l].offsetCount = static_cast<uint32_t>(offsetCount);
    entries[l].offsets = offsets + l * offsetCount;
    for (size_t i = 0; i < offsetCount; ++i) {
      entries[l].offsets[i] = loadU32be(tables + (l * offsetCount + i) * 4);
    }
  }
  return table;
}

bool ombImageReadContainer(OMB_IMAGE_INFO* info, OMB_FILE* file) {
  uint8_t bytes[OMB_CAIB_HEADER_BYTES];
  uint64_t fileSize = 0;
  if (ombFileSeek(file, 0, OMB_FILE_SEEK_BEGIN) != OMB_OK ||
      ombFileGetSize(&fileSize, file) != OMB_OK || !readExact(file, bytes, sizeof bytes)) {
    return false;
  }
  const std::optional<OmbCaibHeader> header = ombCaibParseHeader(bytes, sizeof bytes);
  if (!header) {
    return false;
  }
  const std::optional<size_t> tableBytes = ombCaibTableBytes(*header, fileSize);
  if (!tableBytes) {
    return false;
  }
  std::vector<uint8_t> tables(*tableBytes);
  if (!readExact(file, tables.data(), tables.size())) {
    return false;
  }
  OMB_IMAGE_LAYER_TABLE* table = ombCaibMakeLayerTable(*header, tables.data(), tables.size(), fileSize);
  if (table == nullptr) {
    return false;
  }
  info->width = header->width;
  info->height = header->height;
  info->flags = header->flags;
  info->levels = header->levels;
  info->values[0] = header->values[0];
  info->values[1] = header->values[1];
  info->gammaMode = 3;
  info->gamma = header->gamma;
  info->alphaMode = header->alphaMode;
  info->source = OMB_IMAGE_SOURCE_CONTAINER;
  info->layers = table;
  return true;
}

int32_t ombImageLoadContainer(OMB_IMAGE_INFO* info, OMB_FILE* file, uint32_t pitch,
                              uint32_t format, uint8_t* buffer, uint32_t rows) {
  const OMB_IMAGE_LAYER* layer = findLayer(info->layers, format);
  if (layer == nullptr || layer->offsets[0] > INT64_MAX ||
      ombFileSeek(file, static_cast<int64_t>(layer->offsets[0]), OMB_FILE_SEEK_BEGIN) != OMB_OK) {
    return OMB_ERR_NOT_FOUND;
  }
  if (layer->format == 0) {
    // The embedded picture is stored as it is meant to be shown: no gamma, no alpha mode.
    return ombImagePngLoad(buffer, format, pitch, rows, info, file, 0);
  }
  const uint64_t rowBytes = ombImageFormatRowBytes(format, info->width);
  const uint64_t blockRows = ombImageFormatRows(format, info->height);
  for (uint64_t y = 0; y < blockRows; ++y) {
    if (!readExact(file, buffer + y * pitch, rowBytes)) {
      return OMB_ERR_NOT_FOUND;
    }
  }
  return OMB_OK;
}
