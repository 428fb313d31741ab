#pragma once

// Fixtures of the framework image module tests: a fresh file layer with a scratch folder (from
// the file layer's own tests), the module initialised, and writers for the module's files: RGBA
// PNG pictures through libpng, "aib" information files and "CAIB" containers as big-endian bytes.

#include "image/omb/ombImage.h"
#include "image/omb/ombImageSibling.h"
#include "testsupport/FileLayerTest.h"
#include "testsupport/LogCapture.h"
#include "testsupport/image/DimgLoadTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace ombimagetest {

using Bytes = std::vector<uint8_t>;
using Pixel = std::array<uint8_t, 4>;  // R, G, B, A

inline void PutBe32(Bytes& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

inline void SetBe32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (24 - 8 * i));
}

// A non-interlaced 8-bit RGBA PNG of the pixels, row by row.
inline Bytes RgbaPng(uint32_t width, uint32_t height, const std::vector<Pixel>& pixels,
                     bool interlaced = false) {
  filetest::PngPicture picture;
  picture.width = width;
  picture.height = height;
  picture.colour = PNG_COLOR_TYPE_RGBA;
  picture.interlaced = interlaced;
  for (const Pixel& p : pixels) picture.rows.insert(picture.rows.end(), p.begin(), p.end());
  return filetest::WritePng(picture);
}

// A picture of one colour.
inline Bytes FlatPng(uint32_t width, uint32_t height, Pixel colour) {
  return RgbaPng(width, height, std::vector<Pixel>(size_t{width} * height, colour));
}

struct Aib {
  uint32_t magic = 0x41414942;
  uint32_t version = 0;
  uint32_t flags = 0;
  int32_t values[2] = {-1, -1};
  uint32_t gammaMode = 1;
  float gamma = 2.2f;
  uint32_t alphaMode = 3;

  Bytes Bytes32() const {
    Bytes out;
    for (uint32_t v : {magic, version, flags, uint32_t(values[0]), uint32_t(values[1]), gammaMode,
                       std::bit_cast<uint32_t>(gamma), alphaMode}) {
      PutBe32(out, v);
    }
    return out;
  }
};

// A "CAIB" container: the header, the offset tables (levels + 1 offsets per layer; level 0 of
// each layer points at its data, the further levels at the end of the file), the embedded PNG
// and then each compressed layer's data, in the order of the tables.
struct Caib {
  uint32_t width = 1;
  uint32_t height = 1;
  uint32_t flags = 0;
  uint32_t levels = 0;
  int32_t values[2] = {5, -6};
  float gamma = 1.0f;
  uint32_t alphaMode = 0;
  Bytes png;
  std::map<uint32_t, Bytes> compressed;  // by format 5 to 9, present in the flags or not

  // The layer formats that the flags announce, in table order.
  std::vector<uint32_t> Formats() const {
    std::vector<uint32_t> formats{0};
    if ((flags & 0x10000) == 0) {
      for (uint32_t f = 5; f <= 9; ++f) {
        if ((flags & (0x20000u << (f - 5))) != 0) formats.push_back(f);
      }
    }
    return formats;
  }
  // Offset of the first table entry of layer `index`.
  size_t TableAt(size_t index) const { return 40 + index * (size_t{levels} + 1) * 4; }

  Bytes Build() const {
    Bytes out;
    for (uint32_t v : {0x43414942u, 0u, width, height, flags, levels, uint32_t(values[0]),
                       uint32_t(values[1]), std::bit_cast<uint32_t>(gamma), alphaMode}) {
      PutBe32(out, v);
    }
    const std::vector<uint32_t> formats = Formats();
    out.resize(TableAt(formats.size()), 0);
    std::vector<const Bytes*> payloads;
    for (uint32_t f : formats) {
      const auto found = compressed.find(f);
      payloads.push_back(f == 0 ? &png : found != compressed.end() ? &found->second : nullptr);
    }
    for (size_t i = 0; i < formats.size(); ++i) {
      SetBe32(out, TableAt(i), uint32_t(out.size()));
      if (payloads[i] != nullptr) out.insert(out.end(), payloads[i]->begin(), payloads[i]->end());
    }
    for (size_t i = 0; i < formats.size(); ++i) {
      for (uint32_t level = 1; level <= levels; ++level) {
        SetBe32(out, TableAt(i) + level * 4, uint32_t(out.size()));
      }
    }
    return out;
  }
};

// One load's outcome: the result and the whole buffer (pitch × rows bytes, poisoned with 0xA5
// before the load, so bytes beyond each row show whether they were touched).
struct Loaded {
  int32_t result = 0;
  Bytes buffer;
};

class OmbImageTest : public ombfiletest::FileLayerTest {
 protected:
  void SetUp() override {
    FileLayerTest::SetUp();
    ombImageInit();
  }

  // Opens a scratch file in mode 0; the test fails when it cannot.
  OmbImageFile Open(const std::string& name) {
    OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_READ, path(name).c_str(), 0);
    EXPECT_NE(file, nullptr) << name;
    return OmbImageFile(file);
  }

  // The information of a scratch file; the record's layer table is freed by the fixture.
  int32_t GetInfo(const std::string& name, OMB_IMAGE_INFO* info) {
    const OmbImageFile file = Open(name);
    if (!file) return 0;
    const int32_t result = ombImageGetInfo(info, file.get());
    tables_.push_back(info->layers);
    return result;
  }

  // GetInfo and then a load from the same open file, as the sprite layer does it.
  Loaded Load(const std::string& name, uint32_t format, uint32_t pitch, uint32_t rows) {
    Loaded out;
    const OmbImageFile file = Open(name);
    if (!file) return out;
    OMB_IMAGE_INFO info{};
    const int32_t got = ombImageGetInfo(&info, file.get());
    tables_.push_back(info.layers);
    EXPECT_EQ(got, OMB_OK) << name;
    out.buffer.assign(size_t{pitch} * rows, 0xA5);
    out.result = ombImageLoad(&info, file.get(), pitch, format, out.buffer.data(), rows);
    return out;
  }

  void TearDown() override {
    for (OMB_IMAGE_LAYER_TABLE* table : tables_) std::free(table);
    FileLayerTest::TearDown();
  }

 private:
  std::vector<OMB_IMAGE_LAYER_TABLE*> tables_;
};

// The pixels of a loaded buffer without the padding: `width` pixels of `bytes` each per row.
inline Bytes Rows(const Bytes& buffer, uint32_t pitch, uint32_t rowBytes, uint32_t rows) {
  Bytes out;
  for (uint32_t y = 0; y < rows; ++y) {
    out.insert(out.end(), buffer.begin() + size_t{y} * pitch, buffer.begin() + size_t{y} * pitch + rowBytes);
  }
  return out;
}

}  // namespace ombimagetest
