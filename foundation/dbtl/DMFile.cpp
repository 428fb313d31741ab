#include "foundation/dbtl/DMFile.h"

#include "foundation/bytes/ByteReader.h"
#include "foundation/dbtl/DExceptFile.h"
#include "foundation/dbtl/Dstr.h"
#include "foundation/dbtl/DstrChar.h"

#include <cstring>
#include <string>
#include <vector>

namespace dbtl {

namespace {

constexpr uint32_t kMagic = 0x20464D44;  // "DMF " read little-endian
constexpr uint32_t kMaxNameLength = DPATH_MAX_LENGTH;

// The first piece of a container read for its index; each further piece doubles what is held.
constexpr size_t kFirstIndexRead = 4096;

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

Parsed<DMFileIndex> DMFileParseIndex(std::span<const uint8_t> bytes, int64_t containerSize) {
  ByteReader in(bytes);
  const auto fail = [&](const char* text, int code = 0) -> ParseError {
    ParseError error{text, in.failOffset()};
    error.truncated = in.failed();
    error.code = code;
    return error;
  };
  const uint32_t magic = in.u32le();
  const uint32_t count = in.u32le();
  if (in.failed()) return fail("container header cut short");
  if (magic != kMagic) return fail("not a \"DMF \" container");
  DMFileIndex index;
  // Each entry takes at least 12 bytes: only counts the bytes can back reserve room.
  if (in.fits(count, 12)) index.entries.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t nameLength = in.u32le();
    if (in.failed()) return fail("index cut short");
    if (nameLength > kMaxNameLength) {
      return fail("entry name longer than 263 bytes", DMFILE_ERROR_NAME_LENGTH);
    }
    const std::span<const uint8_t> name = in.take(nameLength);
    DMFileIndexEntry entry;
    entry.offset = in.u32le();
    entry.size = in.u32le();
    if (in.failed()) return fail("index cut short");
    // The stored name ends at its first NUL, as a C string copy of it would.
    entry.name.assign(name.begin(), name.end());
    entry.name.resize(std::strlen(entry.name.c_str()));
    if (static_cast<int64_t>(entry.offset) + static_cast<int64_t>(entry.size) > containerSize) {
      return fail("entry past the end of the container");
    }
    index.entries.push_back(std::move(entry));
  }
  index.end = in.offset();
  return index;
}

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

namespace {

// The index read in growing pieces and parsed again until it is whole. The file is in throw
// mode here, and Read does not count reaching the end as a failure: fewer bytes than asked
// mean the end of the container, where a truncated index is final.
Parsed<DMFileIndex> readIndex(DFile& file, int64_t containerSize) {
  std::vector<uint8_t> prefix;
  size_t want = kFirstIndexRead;
  for (;;) {
    const size_t have = prefix.size();
    prefix.resize(want);
    const int64_t got = file.Read(prefix.data() + have, want - have);
    prefix.resize(have + static_cast<size_t>(got > 0 ? got : 0));
    Parsed<DMFileIndex> parsed = DMFileParseIndex(prefix, containerSize);
    if (parsed.ok() || !parsed.error().truncated || prefix.size() < want) return parsed;
    want *= 2;
  }
}

}  // namespace

bool DMFile::_ReadIndex(DFile& file, bool throwMode) {
  if (!file.Seek(0, DSEEK_BEGIN)) throw DExceptFile();
  // Every entry must lie inside the container: a window that reaches past the end would read
  // short (or read what a later writer appended) instead of failing.
  const int64_t containerSize = file.GetSize();
  const Parsed<DMFileIndex> index = readIndex(file, containerSize);
  if (!index.ok()) {
    // A short index and an overlong name are failed reads; anything else is no container.
    const ParseError& error = index.error();
    if (error.truncated || error.code == DMFILE_ERROR_NAME_LENGTH) throw DExceptFile();
    return false;
  }
  if (!m_file.OpenRange(file, 0, -1)) return false;
  m_file.SetThrowMode(throwMode);
  if (containerSize < 0) return false;
  // Where reading the index one field at a time would have left the file.
  file.Seek(static_cast<int64_t>(index.value().end), DSEEK_BEGIN);
  for (const DMFileIndexEntry& stored : index.value().entries) {
    char name[DPATH_BUFFER_SIZE];
    std::memcpy(name, stored.name.data(), stored.name.size());
    name[stored.name.size()] = '\0';
    foldName(name);
    DFile window;
    if (!window.OpenRange(file, stored.offset, stored.size)) return false;
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
