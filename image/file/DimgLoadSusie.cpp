#include "image/file/DimgFileIo.h"
#include "image/file/DimgLoad.h"
#include "image/file/DimgSusie.h"
#include "image/file/DimgSusieBitmap.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr size_t kHeaderBytes = 4096;
constexpr size_t kPrefixBytes = 128;

// The handles a plug-in returned, unlocked and freed on every way out.
struct PictureHandles {
  platform::LocalHandle info = nullptr;
  platform::LocalHandle pixels = nullptr;
  ~PictureHandles() {
    for (platform::LocalHandle handle : {info, pixels}) {
      if (handle == nullptr) continue;
      while (platform::localUnlock(handle)) {
      }
      platform::localFree(handle);
    }
  }
};

struct Choice {
  const _DSUSIEINFO* plugin = nullptr;
  size_t skip = 0;
};

// The first plug-in that accepts the header, or that accepts it behind a 128-byte prefix.
Choice choosePlugin(const char* path, const uint8_t* header, size_t fileSize) {
  dbtl::DList<_DSUSIEINFO>& plugins = DSusiePlugins();
  for (auto it = plugins.Begin(); !(it == plugins.End()); it = dbtl::DList<_DSUSIEINFO>::Next(it)) {
    const _DSUSIEINFO* plugin = dbtl::DList<_DSUSIEINFO>::Get(it).Get();
    if (plugin->IsSupported(path, header) != 0) return {plugin, 0};
    if (plugin->IsSupported(path, header + kPrefixBytes) != 0) {
      return {plugin, fileSize >= kPrefixBytes ? kPrefixBytes : 0};
    }
  }
  return {};
}

}  // namespace

bool DimgLoadSusie(dbtl::DImage& image, dbtl::DFile& file) {
  // Without plug-ins (always, on this platform) there is nothing to ask, and the file is not
  // read into memory for nothing.
  if (DSusiePlugins().GetCount() == 0) return false;
  int64_t size = -1;
  try {
    if (file.Seek(0, dbtl::DSEEK_BEGIN)) size = file.GetSize();
  } catch (...) {
    return false;
  }
  // Plug-ins take the length as a signed 32-bit count.
  if (size < 0 || size > INT32_MAX) return false;

  // A plug-in may look at 4096 bytes from the header address, and the second question hands
  // it the address 128 bytes on: the buffer always reaches that far, zero-filled after the
  // file's bytes.
  std::vector<uint8_t> data(std::max<size_t>(size_t(size), kHeaderBytes + kPrefixBytes), 0);
  if (!DimgReadExact(file, data.data(), size_t(size))) return false;

  const Choice choice = choosePlugin(file.GetPath(), data.data(), size_t(size));
  if (choice.plugin == nullptr) return false;

  PictureHandles handles;
  const auto* start = reinterpret_cast<const char*>(data.data() + choice.skip);
  if (choice.plugin->GetPicture(start, int32_t(size_t(size) - choice.skip), 1, &handles.info,
                                &handles.pixels, nullptr, 0) != 0) {
    return false;
  }
  const auto* info = static_cast<const uint8_t*>(platform::localLock(handles.info));
  const auto* pixels = static_cast<const uint8_t*>(platform::localLock(handles.pixels));
  return info != nullptr &&
         DimgSusieBitmapToImage(info, platform::localSize(handles.info), pixels,
                                platform::localSize(handles.pixels), image);
}
