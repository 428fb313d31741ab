#include "foundation/dbtl/DBlockPool.h"

#include "foundation/dbtl/DSizeMath.h"

#include <cstring>
#include <new>

namespace dbtl {

namespace {

constexpr uint32_t kPooled = 1;
constexpr uint32_t kHeap = 0;

size_t strideOf(uint32_t blockSize) {
  return DBlockPool::kHeaderSize +
         DSizeRoundUp32(blockSize, static_cast<uint32_t>(DBlockPool::kHeaderSize));
}

void writeHeader(unsigned char* header, uint32_t value) {
  std::memcpy(header, &value, sizeof value);
}

uint32_t readHeader(const unsigned char* header) {
  uint32_t value;
  std::memcpy(&value, header, sizeof value);
  return value;
}

}  // namespace

DBlockPool* DBlockPool::Create(uint32_t capacity, uint32_t blockSize) {
  if (blockSize == 0) return nullptr;
  DBlockPool* pool = new DBlockPool();
  try {
    const size_t stride = strideOf(blockSize);
    pool->m_blocks = static_cast<unsigned char*>(::operator new(DSizeMul(capacity, stride)));
    pool->m_freeStack = new unsigned char*[capacity];
  } catch (...) {
    delete pool;
    throw;
  }
  pool->m_blockSize = blockSize;
  pool->m_capacity = capacity;
  const size_t stride = strideOf(blockSize);
  for (uint32_t i = 0; i < capacity; ++i) {
    unsigned char* header = pool->m_blocks + i * stride;
    writeHeader(header, kPooled);
    pool->m_freeStack[i] = header;
  }
  return pool;
}

DBlockPool::~DBlockPool() {
  ::operator delete(m_blocks);
  delete[] m_freeStack;
}

void DBlockPool::Destroy() { delete this; }

void* DBlockPool::Alloc() {
  {
    DSectionLock lock(m_lock);
    if (m_used < m_capacity) return m_freeStack[m_used++] + kHeaderSize;
  }
  auto* header = static_cast<unsigned char*>(::operator new(kHeaderSize + m_blockSize));
  writeHeader(header, kHeap);
  return header + kHeaderSize;
}

void DBlockPool::Free(void* payload) {
  unsigned char* header = static_cast<unsigned char*>(payload) - kHeaderSize;
  if (readHeader(header) == kHeap) {
    ::operator delete(header);
    return;
  }
  DSectionLock lock(m_lock);
  m_freeStack[--m_used] = header;
}

uint32_t DBlockPool::GetUsed() const {
  DSectionLock lock(m_lock);
  return m_used;
}

}  // namespace dbtl
