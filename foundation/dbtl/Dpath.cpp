#include "foundation/dbtl/Dpath.h"

#include "foundation/dbtl/DCp932Text.h"
#include "foundation/dbtl/DstrChar.h"
#include "platform/kernel/NativeFile.h"

#include <cstring>

namespace dbtl {

namespace {

const char* orEmpty(const char* text) { return text != nullptr ? text : ""; }

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// Start of the last character of a non-empty text.
const char* lastCharacter(const char* text) {
  const char* last = text;
  for (const char* p = text; *p != '\0'; p += DstrCharLength(p)) last = p;
  return last;
}

void writePart(char* out, const char* start, size_t length) {
  if (out == nullptr) return;
  char part[DPATH_BUFFER_SIZE];
  std::memcpy(part, start, length);
  part[length] = '\0';
  detail::DpathCopyBounded(out, part, DPATH_MAX_LENGTH);
}

}  // namespace

namespace detail {

uint32_t DpathCopyBounded(char* dst, const char* src, uint32_t limit) {
  uint32_t length = 0;
  DpathAppendBounded(dst, &length, src, limit);
  return length;
}

void DpathAppendBounded(char* dst, uint32_t* length, const char* src, uint32_t limit) {
  src = orEmpty(src);
  uint32_t at = *length;
  for (size_t width = DstrCharLength(src); width != 0 && at + width <= limit;
       width = DstrCharLength(src)) {
    for (size_t i = 0; i < width; ++i) dst[at++] = *src++;
  }
  dst[at] = '\0';
  *length = at;
}

}  // namespace detail

void DpathSplit(const char* path, char* dir, char* name, char* ext) {
  char work[DPATH_BUFFER_SIZE];
  detail::DpathCopyBounded(work, orEmpty(path), DPATH_MAX_LENGTH);

  char dirText[DPATH_BUFFER_SIZE];
  size_t dirLength = 0;
  const char* component = work;
  for (const char* p = work; *p != '\0';) {
    const size_t width = DstrCharLength(p);
    if (width == 1 && isSeparator(*p)) {
      const size_t length = static_cast<size_t>(p - component);
      std::memcpy(dirText + dirLength, component, length);
      dirLength += length;
      dirText[dirLength++] = '/';
      component = p + 1;
    }
    p += width;
  }

  const char* dot = nullptr;
  for (const char* p = component; *p != '\0'; p += DstrCharLength(p)) {
    if (*p == '.') dot = p;
  }
  const char* fileEnd = component + std::strlen(component);
  const char* nameEnd = dot != nullptr ? dot : fileEnd;

  writePart(dir, dirText, dirLength);
  writePart(name, component, static_cast<size_t>(nameEnd - component));
  if (dot != nullptr) {
    writePart(ext, dot + 1, static_cast<size_t>(fileEnd - dot - 1));
  } else {
    writePart(ext, fileEnd, 0);
  }
}

void DpathSplitDrive(const char* path, char* drive, char* dir, char* name) {
  char dirText[DPATH_BUFFER_SIZE];
  DpathSplit(path, dirText, name, nullptr);
  const bool hasDrive = DstrCharLength(dirText) == 1 && dirText[1] == ':';
  writePart(drive, dirText, hasDrive ? 2 : 0);
  if (dir != nullptr) detail::DpathCopyBounded(dir, dirText + (hasDrive ? 2 : 0), DPATH_MAX_LENGTH);
}

void DpathMake(char* out, const char* dir, const char* name, const char* ext) {
  if (out == nullptr) return;
  char work[DPATH_BUFFER_SIZE];
  uint32_t length = detail::DpathCopyBounded(work, orEmpty(dir), DPATH_MAX_LENGTH);
  if (length != 0 && length <= DPATH_MAX_LENGTH - 1) {
    const char* last = lastCharacter(work);
    if (!(DstrCharLength(last) == 1 && isSeparator(*last))) work[length++] = '/';
    work[length] = '\0';
  }
  if (name != nullptr && *name != '\0') {
    detail::DpathAppendBounded(work, &length, name, DPATH_MAX_LENGTH);
  }
  if (ext != nullptr && *ext != '\0') {
    if (length <= DPATH_MAX_LENGTH - 1) {
      work[length++] = '.';
      work[length] = '\0';
    }
    detail::DpathAppendBounded(work, &length, ext, DPATH_MAX_LENGTH);
  }
  std::memcpy(out, work, length + 1);
  DpathToSlash(out);
}

void DpathPrependDir(const char* dir, char* buffer) {
  if (dir == nullptr || buffer == nullptr) return;
  char work[DPATH_BUFFER_SIZE];
  uint32_t length = detail::DpathCopyBounded(work, dir, DPATH_MAX_LENGTH);
  detail::DpathAppendBounded(work, &length, buffer, DPATH_MAX_LENGTH);
  std::memcpy(buffer, work, length + 1);
}

void DpathToSlash(char* text) {
  if (text == nullptr) return;
  for (char* p = text; *p != '\0';) {
    const size_t width = DstrCharLength(p);
    if (width == 1 && *p == '\\') *p = '/';
    p += width;
  }
}

bool DpathIsFile(const char* path) {
  return path != nullptr && platform::NativeFile::isRegularFile(DNativePathFromCp932(path));
}

}  // namespace dbtl
