#include "foundation/dbtl/DString.h"

#include "foundation/dbtl/DSizeMath.h"

#include <cstring>
#include <string>

namespace dbtl {

namespace {

char g_emptyText[1] = "";

// Bytes needed for length bytes of text after base bytes, terminator included.
uint32_t neededFor(uint32_t base, size_t length) {
  const size_t needed = DSizeAdd(DSizeAdd(base, length), 1);
  if (needed > UINT32_MAX) DThrowBadAlloc();
  return static_cast<uint32_t>(needed);
}

}  // namespace

DString::~DString() {
  m_capacity = 0;
  m_length = 0;
  m_buffer.Reset();
}

void DString::_Reallocate(uint32_t capacity) {
  rcptr<char> fresh;
  fresh.Create(capacity);
  if (m_length != 0) std::memcpy(fresh.Get(), m_buffer.Get(), m_length);
  fresh[m_length] = '\0';
  m_buffer = std::move(fresh);
  m_capacity = capacity;
}

void DString::Reserve(uint32_t n) {
  const uint32_t capacity = DSizeRoundUp32(n, 32);
  if (capacity > m_capacity) _Reallocate(capacity);
}

void DString::_PrepareWrite(uint32_t needed) {
  if (DSizeRoundUp32(needed, 32) > m_capacity) {
    Reserve(needed);
  } else if (m_buffer.UseCount() > 1) {
    _Reallocate(m_capacity);
  }
}

bool DString::_Holds(const char* text) const {
  const char* start = m_buffer.Get();
  return start != nullptr && text >= start && text < start + m_capacity;
}

void DString::Assign(const char* text) {
  if (text == nullptr || *text == '\0') {
    if (m_buffer) {
      _PrepareWrite(1);
      m_buffer[0] = '\0';
    }
    m_length = 0;
    return;
  }
  if (_Holds(text)) {
    const std::string copy(text);
    Assign(copy.c_str());
    return;
  }
  const size_t length = std::strlen(text);
  const uint32_t needed = neededFor(0, length);
  _PrepareWrite(needed);
  std::memcpy(m_buffer.Get(), text, length + 1);
  m_length = needed - 1;
}

void DString::Append(const char* text) {
  if (text == nullptr) return;
  if (_Holds(text)) {
    const std::string copy(text);
    Append(copy.c_str());
    return;
  }
  const size_t length = std::strlen(text);
  const uint32_t needed = neededFor(m_length, length);
  _PrepareWrite(needed);
  std::memcpy(m_buffer.Get() + m_length, text, length + 1);
  m_length = needed - 1;
}

rcptr<char> DString::GetString() const {
  if (m_buffer) return m_buffer;
  return rcptr<char>::Borrow(g_emptyText);
}

const char* DString::GetText() const { return m_buffer ? m_buffer.Get() : ""; }

bool DString::Equals(const char* text) const {
  if (text == nullptr) text = "";
  return std::strlen(text) == m_length && std::memcmp(GetText(), text, m_length) == 0;
}

char* DString::GetBuffer() {
  if (!m_buffer) return nullptr;
  _PrepareWrite(1);
  return m_buffer.Get();
}

void DString::_UpdateLength() {
  if (!m_buffer) {
    m_length = 0;
    return;
  }
  const size_t length = strnlen(m_buffer.Get(), m_capacity);
  if (length == m_capacity) {
    _PrepareWrite(1);
    m_buffer[m_capacity - 1] = '\0';
    m_length = m_capacity - 1;
    return;
  }
  m_length = static_cast<uint32_t>(length);
}

}  // namespace dbtl
