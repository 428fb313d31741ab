#include "render/device/L3DResources.h"

#include "render/device/L3DDevice.h"

#include <algorithm>
#include <cstring>

using namespace d3d9;

namespace {

template <class Buffer>
void setData(Buffer* buffer, uint32_t length, const void* data, uint32_t size) {
  if (buffer == nullptr) return;
  void* bytes = nullptr;
  if (FAILED(buffer->Lock(0, 0, &bytes, 0))) return;
  std::memcpy(bytes, data, std::min(size, length));
  buffer->Unlock();
}

}  // namespace

L3DVBuffer::~L3DVBuffer() {
  safeRelease(buffer);
  if (owner != nullptr) owner->_RemoveVBuffer(this);
}

void L3DVBuffer::SetData(const void* data, uint32_t size) { setData(buffer, length, data, size); }

L3DIBuffer::~L3DIBuffer() {
  safeRelease(buffer);
  if (owner != nullptr) owner->_RemoveIBuffer(this);
}

void L3DIBuffer::SetData(const void* data, uint32_t size) { setData(buffer, length, data, size); }

L3DVShader::~L3DVShader() {
  safeRelease(shader);
  if (owner != nullptr) owner->_RemoveVShader(this);
}

L3DPShader::~L3DPShader() {
  safeRelease(shader);
  if (owner != nullptr) owner->_RemovePShader(this);
}
