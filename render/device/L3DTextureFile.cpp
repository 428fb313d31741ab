#include "render/device/L3DTextureFile.h"

#include "foundation/bytes/ByteReader.h"
#include "foundation/dbtl/DMFile.h"
#include "foundation/dbtl/Dpath.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrParsed.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/lfm/lfmPack.h"
#include "image/copy/DimgBlitAlpha.h"
#include "image/copy/DimgBlitColor.h"
#include "image/copy/DimgBlitOpaque.h"
#include "image/file/DimgLoad.h"

#include <cstdio>
#include <cstring>

namespace {

[[noreturn]] void badTextureFile(const dbtl::DFile& file) {
  lerrFatal(lerrText(u"[l3dGetTextureData] テクスチャファイル\"%s\"の形式が異常。").c_str(),
            file.GetPath());
}

void loadImage(int32_t pack, const char* name, dbtl::DImage& image, const char16_t* message) {
  char found[dbtl::DPATH_BUFFER_SIZE];
  lfmSearchPackData(found, pack, name, L3D_IMAGE_EXTENSIONS);
  dbtl::DFile file;
  lfmOpenPackData(pack, file, found);
  if (!DimgLoad(file, image)) lerrFatalPackFile(name, lerrText(message).c_str(), pack);
}

std::string shortRead(const char* path) {
  return lerrFormat(lerrText(u"ファイル \"%s\" を読み込めませんでした。").c_str(), path);
}

}  // namespace

Parsed<L3DTextureSpec> l3dParseTextureSpec(std::span<const uint8_t> spec, const char* path) {
  ByteReader in(spec);
  const std::span<const uint8_t> tag = in.take(4);
  L3DTextureSpec out;
  out.edge = in.u32le();
  if (in.failed()) return ParseError{shortRead(path), in.failOffset()};
  if (std::memcmp(tag.data(), "DTCC", 4) == 0) {
    out.alpha = false;
  } else if (std::memcmp(tag.data(), "DTCA", 4) == 0) {
    out.alpha = true;
  } else {
    return ParseError{
        lerrFormat(lerrText(u"[l3dGetTextureData] テクスチャファイル\"%s\"の形式が異常。").c_str(), path),
        0};
  }
  return out;
}

Parsed<std::vector<std::span<const uint8_t>>> l3dParseDxtLevels(std::span<const uint8_t> data,
                                                                uint32_t edge, bool alpha,
                                                                uint32_t levels,
                                                                const char* path) {
  ByteReader in(data);
  const uint64_t blockBytes = alpha ? 16 : 8;
  std::vector<std::span<const uint8_t>> out;
  uint64_t size = edge;
  for (uint32_t level = 0; level < levels; ++level, size /= 2) {
    const uint64_t blocks = (size / 4) * (size / 4);
    if (!in.fits(blocks, blockBytes)) return ParseError{shortRead(path), in.offset()};
    out.push_back(in.take(static_cast<size_t>(blocks * blockBytes)));
  }
  return out;
}

bool l3dGetTextureData(dbtl::DFile& file, dbtl::DFile& entry, uint32_t& edge, bool& alpha,
                       bool compressed) {
  file.Seek(0, dbtl::DSEEK_BEGIN);
  dbtl::DMFile container;
  if (!container.Open(file)) return false;
  if (!container.OpenEntry("spec", entry)) badTextureFile(file);
  uint8_t spec[8];
  const int64_t got = entry.Read(spec, sizeof spec);
  const Parsed<L3DTextureSpec> parsed =
      l3dParseTextureSpec({spec, got > 0 ? size_t(got) : 0}, file.GetPath());
  lerrFatalIfFailed(parsed);
  edge = parsed.value().edge;
  alpha = parsed.value().alpha;
  entry.Close();
  if (!container.OpenEntry(compressed ? "compress" : "raw", entry)) badTextureFile(file);
  return true;
}

void l3dLoadTextureImage(int32_t pack, const char* path, dbtl::DImage& image, bool& alpha) {
  dbtl::DImage color;
  loadImage(pack, path, color, u"[l3dLoadTextureImage] カラー画像(%s)を読み込めません");
  const uint32_t width = color.GetWidth();
  const uint32_t height = color.GetHeight();
  char alphaName[dbtl::DPATH_BUFFER_SIZE];
  std::snprintf(alphaName, sizeof alphaName, "%s_a", path);
  char found[dbtl::DPATH_BUFFER_SIZE];
  dbtl::DImage alphaImage;
  alpha = lfmSearchPackData(found, pack, alphaName, L3D_IMAGE_EXTENSIONS);
  if (alpha) {
    loadImage(pack, alphaName, alphaImage, u"[l3dLoadTextureImage] アルファ画像(%s)を読み込めません");
    if (alphaImage.GetWidth() != width || alphaImage.GetHeight() != height) {
      lerrFatalPackFile(
          path, lerrText(u"[l3dLoadTextureImage] カラー画像とアルファ画像のサイズが違う(%s)").c_str(),
          pack);
    }
  }
  image.Release();
  image.CreateDefaultPitch(width, height, 2);
  if (alpha) {
    DimgBlitColor(image, width, height, color, width, height, 0, 0);
    DimgBlitAlpha(image, width, height, alphaImage, width, height, 0, 0);
  } else {
    DimgBlitOpaque(image, width, height, color, width, height, 255, 0);
  }
}

void l3dInvertAlpha(dbtl::DImage& image) {
  const uint32_t kind = image.GetKind();
  uint8_t* row = image.GetBits();
  for (uint32_t y = 0; y < image.GetHeight(); ++y, row = image.NextRow(row)) {
    for (uint32_t x = 0; x < image.GetWidth(); ++x) {
      switch (kind) {
        case 0:
        case 2:
          row[x * 4 + 3] = uint8_t(255 - row[x * 4 + 3]);
          break;
        case 4:
          row[x * 2 + 1] ^= 0x80;  // the alpha bit
          break;
        case 5:
          row[x * 2 + 1] ^= 0xF0;  // 15 - alpha
          break;
        default:
          return;  // no alpha
      }
    }
  }
}
