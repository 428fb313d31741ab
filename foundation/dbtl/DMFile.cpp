#include "foundation/dbtl/DMFile.h"

#include "foundation/dbtl/DExceptFile.h"
#include "foundation/dbtl/DstrChar.h"
#include "foundation/dbtl/Dstr.h"

#include <cstring>
#include <string>

namespace dbtl {

namespace {

constexpr uint32_t kMagic = 0x20464D44;  // "DMF " read little-endian
constexpr uint32_t kMaxNameLength = DPATH_MAX_LENGTH;

uint32_t littleEndian32(const unsigned char* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// The index reader treats a short read like a failed one: the file is in throw mode while the
// index is read, and Read itself does not count reaching the end as a failure.
void readExact(DFile& file, void* bytes, size_t n) {
  if (file.Read(bytes, n) != static_cast<int64_t>(n)) throw DExceptFile();
}

uint32_t readU32(DFile& file) {
  unsigned char bytes[4];
  readExact(file, bytes, sizeof bytes);
  return littleEndian32(bytes);
}

// 'A' to 'Z' become lower case; two-byte characters are kept whole.
void foldName(char* name) {
  for (char* p = name; *p != '\0';) {
    const size_t width = DstrCharLength(p);
    if (width == 1 && *p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p - 'A' + 'a');
    p += width;
  }
}

// A name copied (at most 263 bytes, whole characters) and folded, with its length and hash.
struct FoldedName {
  explicit FoldedName(const char* source) {
    length = detail::DpathCopyBounded(text, source, kMaxNameLength);
    foldName(text);
    unsigned sum = 0;
    for (uint32_t i = 0; i < length; ++i) sum += static_cast<unsigned char>(text[i]);
    hash = static_cast<uint8_t>(sum);
  }
  char text[DPATH_BUFFER_SIZE];
  uint32_t length;
  uint8_t hash;
};

// Restores the caller's throw mode however Open ends.
class ThrowModeRestore {
 public:
  ThrowModeRestore(DFile& file, bool mode) : m_file(file), m_mode(mode) {}
  ThrowModeRestore(const ThrowModeRestore&) = delete;
  ThrowModeRestore& operator=(const ThrowModeRestore&) = delete;
  ~ThrowModeRestore() { m_file.SetThrowMode(m_mode); }

 private:
  DFile& m_file;
  bool m_mode;
};

}  // namespace

DMFile::DMFile() = default;

DMFile::~DMFile() { _Close(); }

bool DMFile::Open(DFile& file) {
  // Opening again would release entries that other threads may be reading through.
  if (m_open || !file.IsOpen()) return false;
  const bool throwMode = file.SetThrowMode(true);
  ThrowModeRestore restore(file, throwMode);
  m_open = true;
  std::memset(m_buckets, 0, sizeof m_buckets);
  detail::DpathCopyBounded(m_name, file.GetPath(), DPATH_MAX_LENGTH);
  bool opened = false;
  try {
    opened = _ReadIndex(file, throwMode);
  } catch (const DExceptFile&) {
    _Close();
    if (throwMode) throw;
    return false;
  } catch (...) {
    _Close();
    throw;
  }
  if (!opened) _Close();
  return opened;
}

bool DMFile::_ReadIndex(DFile& file, bool throwMode) {
  if (!file.Seek(0, DSEEK_BEGIN)) throw DExceptFile();
  unsigned char header[8];
  readExact(file, header, sizeof header);
  if (littleEndian32(header) != kMagic) return false;
  const uint32_t count = littleEndian32(header + 4);

  if (!m_file.OpenRange(file, 0, -1)) return false;
  m_file.SetThrowMode(throwMode);
  // Every entry must lie inside the container: a window that reaches past the end would read
  // short (or read what a later writer appended) instead of failing.
  const int64_t containerSize = file.GetSize();
  if (containerSize < 0) return false;

  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t nameLength = readU32(file);
    if (nameLength > kMaxNameLength) throw DExceptFile();
    char name[DPATH_BUFFER_SIZE];
    readExact(file, name, nameLength);
    name[nameLength] = '\0';
    foldName(name);
    const uint32_t offset = readU32(file);
    const uint32_t size = readU32(file);
    if (static_cast<int64_t>(offset) + static_cast<int64_t>(size) > containerSize) return false;

    DFile window;
    if (!window.OpenRange(file, offset, size)) return false;
    const std::string path = std::string(m_name) + " | " + name;
    window.SetPath(path.c_str());
    window.SetThrowMode(throwMode);
    if (!_AddEntry(name, window)) return false;
  }
  return true;
}

bool DMFile::_AddEntry(const char* name, DFile& window) {
  DSectionLock guard(m_lock);
  if (!m_open || FindEntry(name) != nullptr) return false;
  const FoldedName folded(name);
  rcptr<DMFileINFO> entry;
  entry.Create(1);
  std::memcpy(entry->name, folded.text, folded.length + 1);
  entry->nameLength = folded.length;
  entry->hash = folded.hash;
  if (!entry->window.OpenRange(window, 0, -1)) return false;
  m_entries.PushBack(entry);
  DMFileINFO** link = &m_buckets[folded.hash];
  while (*link != nullptr) link = &(*link)->next;
  *link = entry.Get();
  return true;
}

DMFile::DMFileINFO* DMFile::FindEntry(const char* name) {
  if (name == nullptr) return nullptr;
  const FoldedName folded(name);
  DSectionLock guard(m_lock);
  if (!m_open) return nullptr;
  for (DMFileINFO* entry = m_buckets[folded.hash]; entry != nullptr; entry = entry->next) {
    if (entry->nameLength == folded.length &&
        DstrCompareN(entry->name, folded.text, folded.length) == 0) {
      return entry;
    }
  }
  return nullptr;
}

bool DMFile::OpenEntry(const char* name, DFile& target) {
  DSectionLock guard(m_lock);
  DMFileINFO* entry = FindEntry(name);
  if (entry == nullptr || target.IsOpen()) return false;
  return target.OpenRange(entry->window, 0, -1);
}

bool DMFile::OpenPath(const char* path) {
  DFile file;
  if (!file.Open(path, DFILE_READ)) return false;
  return Open(file);
}

void DMFile::_Close() {
  DSectionLock guard(m_lock);
  m_open = false;
  std::memset(m_buckets, 0, sizeof m_buckets);
  m_entries.Release();
  m_file.Close();
  m_name[0] = '\0';
}

}  // namespace dbtl
