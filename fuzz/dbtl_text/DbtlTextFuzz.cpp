// Feeds arbitrary code page 932 texts (file names from game data) to the base library's
// string and path functions. The sanitizers watch the fixed 264-byte buffers; the checks below
// hold the functions to their bounds and to the round trips they promise.

#include "foundation/dbtl/DString.h"
#include "foundation/dbtl/Dpath.h"
#include "foundation/dbtl/Dstr.h"
#include "foundation/dbtl/lfmNextChar.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

void requireBounded(const char* text) { require(std::strlen(text) <= dbtl::DPATH_MAX_LENGTH); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Up to three texts separated by NUL bytes.
  std::vector<std::string> texts(3);
  size_t which = 0;
  for (size_t i = 0; i < size && i < 2048; ++i) {
    if (data[i] == 0) {
      if (++which == texts.size()) break;
    } else {
      texts[which] += static_cast<char>(data[i]);
    }
  }
  const char* a = texts[0].c_str();
  const char* b = texts[1].c_str();
  const char* c = texts[2].c_str();

  char dir[dbtl::DPATH_BUFFER_SIZE];
  char name[dbtl::DPATH_BUFFER_SIZE];
  char ext[dbtl::DPATH_BUFFER_SIZE];
  char drive[dbtl::DPATH_BUFFER_SIZE];
  dbtl::DpathSplit(a, dir, name, ext);
  requireBounded(dir);
  requireBounded(name);
  requireBounded(ext);
  dbtl::DpathSplitDrive(b, drive, dir, name);
  requireBounded(dir);
  require(std::strlen(drive) == 0 || std::strlen(drive) == 2);

  char out[dbtl::DPATH_BUFFER_SIZE];
  dbtl::DpathMake(out, a, b, c);
  requireBounded(out);
  dbtl::DpathPrependDir(c, out);
  requireBounded(out);

  const dbtl::DString combined = dbtl::DpathCombine(a, b);
  if (!texts[0].empty() && !texts[1].empty() && !(a[1] == ':' && b[1] == ':' && a[0] != b[0])) {
    require(combined.GetLength() <= dbtl::DPATH_MAX_LENGTH);
  }

  std::vector<uint16_t> codes(texts[0].size() + 1);
  const uint32_t count = dbtl::DstrToCodeArray(a, codes.data());
  require(count <= texts[0].size());
  std::vector<char> back(texts[0].size() * 2 + 1);
  dbtl::DstrFromCodeArray(back.data(), codes.data());
  require(texts[0] == back.data());

  require(dbtl::DstrCompareNoCase(a, a) == 0);
  require(dbtl::DstrCompareNoCase(a, b) == dbtl::DstrCompareNoCase(b, a));

  dbtl::DString joined(a);
  joined.Append(b);
  joined.Append(joined.GetText());
  const std::string expected = (texts[0] + texts[1]) + (texts[0] + texts[1]);
  require(joined.Equals(expected.c_str()));

  const char* cursor = c;
  while (lfmNextChar(&cursor) != 0) require(cursor <= c + texts[2].size());
  return 0;
}
