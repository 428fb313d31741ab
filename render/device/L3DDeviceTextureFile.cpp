#include "foundation/dbtl/Dpath.h"
#include "foundation/dbtl/Dstr.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrParsed.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/lfm/lfmPack.h"
#include "image/file/DimgLoad.h"
#include "render/device/L3DDevice.h"
#include "render/device/L3DTextureFile.h"

#include <cstring>
#include <vector>

using namespace d3d9;

dbtl::rcptr<L3DTexture> L3DDevice::CreateTexturePack(const char* name, int32_t pack,
                                                     const char* path, bool mip) {
  if (FindTexture(name)) {
    lerrFatal(lerrText(u"[L3DDevice::CreateTexturePack] テクスチャ\"%s\"はすでに存在しています。").c_str(),
              name);
  }
  char found[dbtl::DPATH_BUFFER_SIZE];
  lfmSearchPackData(found, pack, path, L3D_TEXTURE_EXTENSIONS);
  dbtl::DFile file;
  lfmOpenPackData(pack, file, found);
  dbtl::DFile entry;
  uint32_t edge = 0;
  bool alpha = false;
  const bool compressed = (m_flags & L3DDEV_FLAG_COMPRESS) != 0;
  dbtl::DImage image;
  if (l3dGetTextureData(file, entry, edge, alpha, compressed)) {
    if (compressed) return CreateTextureDXTn(name, entry, edge, alpha, mip);
    // The edge length of "spec" does not count here: the image's own size does.
    if (!DimgLoad(entry, image)) {
      lerrFatal(lerrText(u"[L3DDevice::CreateTexturePack] テクスチャファイル\"%s\"の形式が異常。").c_str(),
                file.GetPath());
    }
    l3dInvertAlpha(image);
  } else {
    file.Close();
    l3dLoadTextureImage(pack, path, image, alpha);
  }
  return _CreateTextureFromImage(name, image, alpha, mip);
}

dbtl::rcptr<L3DTexture> L3DDevice::CreateTextureDXTn(const char* name, dbtl::DFile& file,
                                                     uint32_t edge, bool alpha, bool mip) {
  if (FindTexture(name)) {
    lerrFatal(lerrText(u"[L3DDevice::CreateTextureDXTn] テクスチャ\"%s\"はすでに存在しています。").c_str(),
              name);
  }
  if (!(m_flags & L3DDEV_FLAG_COMPRESS)) {
    lerrFatal("%s", lerrText(u"[L3DDevice::CreateTextureDXTn] このパソコンは圧縮テクスチャに対応していません。").c_str());
  }
  const std::string unreadable =
      lerrText(u"[L3DDevice::CreateTextureDXTn] テクスチャファイル\"%s\"を読み込めませんでした。");
  uint32_t width = 0, height = 0;
  _AdjustTextureSize(edge, edge, width, height);
  if (width != edge || height != edge) lerrFatal(unreadable.c_str(), file.GetPath());
  uint32_t levels = 1;
  if (mip && (m_flags & L3DDEV_FLAG_MIPMAP)) {
    for (uint32_t e = edge; e / 2 >= 4; e /= 2) ++levels;
  }
  IDirect3DTexture9* d3dTexture = nullptr;
  if (FAILED(m_device->CreateTexture(edge, edge, levels, 0, alpha ? D3DFMT_DXT3 : D3DFMT_DXT1,
                                     D3DPOOL_MANAGED, &d3dTexture, nullptr))) {
    lerrFatal(unreadable.c_str(), file.GetPath());
  }
  d3dTexture->SetPriority(0);
  // Registered before the levels are read, so that a fatal read releases the texture with its
  // handle.
  dbtl::rcptr<L3DTexture> texture = _RegisterTexture(d3dTexture, name);
  texture->kind = alpha ? 0 : 1;
  texture->width = texture->height = edge;
  texture->alpha = alpha;
  texture->levels = levels;
  texture->type = L3DTEX_TYPE_COMPRESSED;

  // All levels are read at once (the edge is within the device's limits) and laid out by the
  // parser, which refuses data that end early.
  const uint32_t blockBytes = alpha ? 16 : 8;
  uint64_t total = 0;
  for (uint32_t level = 0, size = edge; level < levels; ++level, size /= 2) {
    total += uint64_t(size / 4) * (size / 4) * blockBytes;
  }
  std::vector<uint8_t> data(static_cast<size_t>(total));
  const int64_t got = data.empty() ? 0 : file.Read(data.data(), data.size());
  data.resize(got > 0 ? static_cast<size_t>(got) : 0);
  const auto parsed = l3dParseDxtLevels(data, edge, alpha, levels, file.GetPath());
  lerrFatalIfFailed(parsed);
  uint32_t size = edge;
  for (uint32_t level = 0; level < levels; ++level, size /= 2) {
    D3DLOCKED_RECT locked{};
    if (FAILED(d3dTexture->LockRect(level, &locked, nullptr, 0))) {
      lerrFatal(unreadable.c_str(), file.GetPath());
    }
    // The stored level is tight; the locked one may have a longer pitch per row of blocks.
    const size_t rowBytes = size_t(size / 4) * blockBytes;
    const uint8_t* from = parsed.value()[level].data();
    auto* row = static_cast<uint8_t*>(locked.pBits);
    for (uint32_t blockRow = 0; blockRow < size / 4; ++blockRow, row += locked.Pitch) {
      std::memcpy(row, from + size_t(blockRow) * rowBytes, rowBytes);
    }
    d3dTexture->UnlockRect(level);
  }
  return texture;
}
