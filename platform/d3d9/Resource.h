#pragma once

// The common part of every device resource (textures, surfaces, buffers) and the pixel storage of
// surfaces. Resources do not keep the device alive; they share a small link block with it, which
// counts the live default-pool resources (a reset is refused while any exist) and which the
// device clears when it goes.

#include "platform/d3d9/D3d9Types.h"
#include "platform/d3d9/Unknown.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace d3d9 {

class IDirect3DDevice9;

struct DeviceLink {
  IDirect3DDevice9* device = nullptr;  // null once the device was destroyed
  uint32_t liveDefaultPool = 0;
  uint32_t pitchPadding = 0;
};

// The bytes of one surface or texture level. Rows are `pitch` bytes apart; pitch may exceed the
// row's size by the profile's padding. `version` grows whenever the pixels may have changed, so
// that decoded copies made for sampling know when they are stale.
struct PixelStore {
  D3DFORMAT format = D3DFMT_UNKNOWN;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t pitch = 0;
  uint64_t version = 1;
  std::vector<uint8_t> bytes;

  uint8_t* row(uint32_t y) { return bytes.data() + size_t(y) * pitch; }
  const uint8_t* row(uint32_t y) const { return bytes.data() + size_t(y) * pitch; }

  // Empty when the size overflows or exceeds the stand-in's allocation limit.
  static std::optional<PixelStore> make(D3DFORMAT format, uint32_t width, uint32_t height,
                                        uint32_t padding);
};

class IDirect3DResource9 : public IUnknown {
 public:
  D3DPOOL pool() const { return pool_; }
  DWORD usage() const { return usage_; }
  DWORD SetPriority(DWORD priority);
  DWORD GetPriority() const { return pool_ == D3DPOOL_MANAGED ? priority_ : 0; }
  virtual D3DRESOURCETYPE GetType() const = 0;

 protected:
  IDirect3DResource9(std::shared_ptr<DeviceLink> link, D3DPOOL pool, DWORD usage,
                     bool counted = true);
  ~IDirect3DResource9() override;

  std::shared_ptr<DeviceLink> link_;

 private:
  D3DPOOL pool_;
  DWORD usage_;
  DWORD priority_ = 0;
  bool counted_;
};

}  // namespace d3d9
