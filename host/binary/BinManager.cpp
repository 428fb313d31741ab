#include "host/binary/BinManager.h"

#include "foundation/bytes/ByteReader.h"
#include "foundation/bytes/ByteWriter.h"
#include "foundation/file/File.h"
#include "foundation/omb/ombLog.h"
#include "host/binary/BinaryNatives.h"
#include "script/ScriptHandle.h"
#include "script/ScriptThread.h"

#include <algorithm>

void Binary::load(const char16_t* path) {
  File file;
  file.create(path, 0, 0);
  const uint32_t length = file.getSize();
  data = std::make_unique<uint8_t[]>(length == 0 ? 1 : length);
  size = length;
  if (length != 0) file.read(data.get(), length);
  file.close();
}

bool Binary::fits(int32_t offset, uint32_t length) const {
  return data != nullptr && offset >= 0 && uint64_t(uint32_t(offset)) + length <= size;
}

uint8_t Binary::readU8(int32_t offset) const { return fits(offset, 1) ? data[offset] : 0; }

int32_t Binary::readI32(int32_t offset) const {
  if (!fits(offset, 4)) return 0;
  return int32_t(loadU32be(data.get() + offset));
}

uint8_t Binary::writeU8(int32_t offset, int32_t value) {
  if (!fits(offset, 1)) return 0;
  const uint8_t old = data[offset];
  data[offset] = uint8_t(std::clamp(value, 0, 255));
  return old;
}

int32_t Binary::writeI32(int32_t offset, int32_t value) {
  if (!fits(offset, 4)) return 0;
  const int32_t old = int32_t(loadU32be(data.get() + offset));
  storeU32be(data.get() + offset, uint32_t(value));
  return old;
}

BinManager::~BinManager() {
  // Handles must never outlive their binaries, also when destroy() was not called.
  for (const std::unique_ptr<Binary>& binary : binaries_) {
    scriptHandles().remove(binary->handle);
    binary->owner = nullptr;
  }
}

Binary* BinManager::create(const char16_t* path, const char16_t* directory) {
  const std::u16string full = scriptResolvePath(directory, path);
  binaries_.push_back(std::make_unique<Binary>());
  Binary* binary = binaries_.back().get();
  binary->owner = this;
  binary->handle = scriptHandles().add(kBinaryHandle, binary);
  binary->load(full.c_str());
  return binary;
}

void BinManager::release(Binary* binary) {
  if (!owns(binary)) return;
  binary->data.reset();
  scriptHandles().remove(binary->handle);
  binary->owner = nullptr;
  auto it = std::find_if(binaries_.begin(), binaries_.end(),
                         [binary](const std::unique_ptr<Binary>& b) { return b.get() == binary; });
  if (it != binaries_.end()) binaries_.erase(it);
}

void BinManager::destroy() {
  while (!binaries_.empty()) {
    ombLogPrintf(OMB_LOG_DEBUG, u"Debug: [%s] force destroy", "BinManager::destroy");
    release(binaries_.front().get());
  }
}
