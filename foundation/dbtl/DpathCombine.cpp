#include "foundation/dbtl/Dpath.h"
#include "foundation/dbtl/DstrChar.h"

#include <cstring>

namespace dbtl {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// A drive is one single-byte character followed by ':'.
bool hasDrive(const char* text) { return DstrCharLength(text) == 1 && text[1] == ':'; }

DString joined(const char* drive, const char* rest) {
  char out[DPATH_BUFFER_SIZE];
  uint32_t length = detail::DpathCopyBounded(out, drive, DPATH_MAX_LENGTH);
  detail::DpathAppendBounded(out, &length, rest, DPATH_MAX_LENGTH);
  return DString(out);
}

// Number of levels a leading directory segment climbs, or -1 when it is not made of dots
// alone: "./" climbs none, "../" one, ".../" two. A segment such as "..a/" is a name.
int climbOf(const char* segment, const char** after) {
  int dots = 0;
  const char* p = segment;
  while (*p == '.') {
    ++dots;
    ++p;
  }
  if (dots == 0 || *p != '/') return -1;
  *after = p + 1;
  return dots - 1;
}

}  // namespace

// Rules, in order:
// 1. An empty relative gives base; an empty base gives relative.
// 2. When both have a drive and the drives differ, relative is the result unchanged.
// 3. The result's drive is relative's, else base's, else none; both are taken without it.
// 4. A relative path that begins with a separator, or a base that does not, is the result as
//    it is (after the drive).
// 5. Otherwise relative's leading "." and ".." segments climb from the end of base's directory
//    and the rest of relative follows what is left of base. Climbing above the root gives
//    drive + "/" + relative, dot segments and all.
DString DpathCombine(const char* relative, const char* base) {
  if (relative == nullptr) relative = "";
  if (base == nullptr) base = "";
  if (*relative == '\0') return DString(base);
  if (*base == '\0') return DString(relative);

  const bool relativeDrive = hasDrive(relative);
  const bool baseDrive = hasDrive(base);
  if (relativeDrive && baseDrive && relative[0] != base[0]) return DString(relative);
  char drive[3] = "";
  if (relativeDrive || baseDrive) {
    std::memcpy(drive, relativeDrive ? relative : base, 2);
    drive[2] = '\0';
  }
  if (relativeDrive) relative += 2;
  if (baseDrive) base += 2;

  if (isSeparator(relative[0]) || !isSeparator(base[0])) return joined(drive, relative);

  char dir[DPATH_BUFFER_SIZE];
  char name[DPATH_BUFFER_SIZE];
  char ext[DPATH_BUFFER_SIZE];
  DpathSplit(relative, dir, name, ext);

  char from[DPATH_BUFFER_SIZE];
  uint32_t fromLength = detail::DpathCopyBounded(from, base, DPATH_MAX_LENGTH);
  DpathToSlash(from);
  // Separators of base at character starts; base begins with one, so there is at least one.
  uint32_t slashes[DPATH_BUFFER_SIZE];
  uint32_t slashCount = 0;
  const char* last = from;
  for (const char* p = from; *p != '\0'; p += DstrCharLength(p)) {
    last = p;
    if (DstrCharLength(p) == 1 && *p == '/')
      slashes[slashCount++] = static_cast<uint32_t>(p - from);
  }
  if (!(DstrCharLength(last) == 1 && *last == '/') && fromLength + 2 <= DPATH_BUFFER_SIZE) {
    slashes[slashCount++] = fromLength;
    from[fromLength++] = '/';
    from[fromLength] = '\0';
  }

  const char* rest = dir;
  int levels = 0;
  for (const char* after = nullptr;;) {
    const int climb = climbOf(rest, &after);
    if (climb < 0) break;
    levels += climb;
    rest = after;
  }
  if (static_cast<uint32_t>(levels) >= slashCount) {
    char rooted[DPATH_BUFFER_SIZE];
    uint32_t length = detail::DpathCopyBounded(rooted, "/", DPATH_MAX_LENGTH);
    detail::DpathAppendBounded(rooted, &length, relative, DPATH_MAX_LENGTH);
    return joined(drive, rooted);
  }
  from[slashes[slashCount - 1 - levels] + 1] = '\0';

  char out[DPATH_BUFFER_SIZE];
  DpathMake(out, rest, name, ext);
  DpathPrependDir(from, out);
  DpathPrependDir(drive, out);
  DpathToSlash(out);
  return DString(out);
}

}  // namespace dbtl
