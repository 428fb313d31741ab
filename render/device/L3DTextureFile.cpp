#include "render/device/L3DTextureFile.h"

#include "foundation/dbtl/DMFile.h"
#include "foundation/dbtl/Dpath.h"
#include "foundation/lerr/lerr.h"
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

}  // namespace

bool l3dGetTextureData(dbtl::DFile& file, dbtl::DFile& entry, uint32_t& edge, bool& alpha,
                       bool compressed) {
  file.Seek(0, dbtl::DSEEK_BEGIN);
  dbtl::DMFile container;
  if (!container.Open(file)) return false;
  if (!container.OpenEntry("spec", entry)) badTextureFile(file);
  uint8_t spec[8];
  if (entry.Read(spec, sizeof spec) != int64_t(sizeof spec)) {
    lerrFatal(lerrText(u"ファイル \"%s\" を読み込めませんでした。").c_str(), file.GetPath());
  }
  if (std::memcmp(spec, "DTCC", 4) == 0) {
    alpha = false;
  } else if (std::memcmp(spec, "DTCA", 4) == 0) {
    alpha = true;
  } else {
    badTextureFile(file);
  }
  edge = uint32_t(spec[4]) | uint32_t(spec[5]) << 8 | uint32_t(spec[6]) << 16 |
         uint32_t(spec[7]) << 24;
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
