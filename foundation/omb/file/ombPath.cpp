#include "foundation/omb/file/ombPath.h"

#include "foundation/omb/file/ombPathState.h"
#include "foundation/omb/file/ombPathWriter.h"
#include "foundation/omb/text/ombChar.h"
#include "foundation/omb/text/ombString.h"
#include "platform/kernel/FolderRoots.h"
#include "platform/text/Utf8.h"

#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr char16_t kNativeSeparator = u'/';

bool startsWithRoot(const char16_t* p, std::u16string_view root) {
  return ombStrIsEqualNoCase(p, root.data(), static_cast<uint32_t>(root.size()));
}

// Writes text with every separator as the native one.
void putNative(OmbPathWriter& out, std::u16string_view text) {
  for (const char16_t unit : text) {
    out.put(ombPathIsSeparator(unit) ? kNativeSeparator : unit);
  }
}

uint32_t toNative(char16_t* destination, uint32_t capacity, const char16_t* p, int depth);

// The folder of a "//<name>/" root, in native form.
std::u16string rootFolder(const char16_t* name, int depth) {
  if (startsWithRoot(name, u"<tmp>")) {
    return platform::utf8ToUtf16(platform::folderRoot(platform::FolderRoot::Temporary));
  }
  if (startsWithRoot(name, u"<localappdata>")) {
    return platform::utf8ToUtf16(platform::folderRoot(platform::FolderRoot::LocalAppData));
  }
  if (startsWithRoot(name, u"<userappdata>")) {
    return platform::utf8ToUtf16(platform::folderRoot(platform::FolderRoot::RoamingAppData));
  }
  // Any other name stands for the executable's directory. The base directory never has a
  // "<name>" root itself; the depth bound only keeps a damaged one from recursing.
  if (depth > 0) {
    return {};
  }
  const char16_t* base = ombPathGetBaseDirectory();
  std::u16string folder(toNative(nullptr, 0, base, depth + 1), u'\0');
  toNative(folder.data(), static_cast<uint32_t>(folder.size() + 1), base, depth + 1);
  return folder;
}

uint32_t toNative(char16_t* destination, uint32_t capacity, const char16_t* p, int depth) {
  OmbPathWriter out(destination, capacity);
  bool rooted = false;
  if (p[0] == u'/' && p[1] == u'/' && p[2] == u'<') {
    std::u16string folder = rootFolder(p + 2, depth);
    while (*p && *p != u'>') {
      ++p;
    }
    if (*p) {
      ++p;
    }
    if (!folder.empty() && ombPathIsSeparator(folder.back())) {
      folder.pop_back();
    }
    out.put(folder);
    if (const char16_t* sub = ombPathGetAppDir()) {
      std::u16string_view name(sub);
      if (!name.empty() && name.back() == u'/') {
        name.remove_suffix(1);
      }
      out.put(kNativeSeparator);
      putNative(out, name);
    }
    rooted = true;
  } else if (p[0] == u'/' && p[1] == u'/' && p[2] && p[3] == u':') {
    out.put(p[2]);
    out.put(u':');
    p += 4;
    rooted = true;
  } else if (p[0] == u'/' && p[1] == u'/') {
    out.put(u"//");
    for (p += 2; *p && *p != u'/'; ++p) {
      out.put(*p);
    }
    rooted = true;
  }
  if (rooted) {
    out.put(kNativeSeparator);
    if (*p == u'/') {
      ++p;
    }
  }
  putNative(out, p);
  return out.finish();
}

}  // namespace

uint32_t ombPathToNative(char16_t* destination, uint32_t capacity, const char16_t* path) {
  return toNative(destination, capacity, path, 0);
}

uint32_t ombPathFromNative(char16_t* destination, uint32_t capacity, const char16_t* native) {
  OmbPathWriter out(destination, capacity);
  const char16_t* p = native;
  if (ombPathIsSeparator(p[0]) && ombPathIsSeparator(p[1])) {
    out.put(u"//");
    for (p += 2; *p && !ombPathIsSeparator(*p); ++p) {
      out.put(*p);
    }
    out.put(u'/');
    if (*p) {
      ++p;
    }
  } else if (p[0] && p[1] == u':') {
    out.put(u"//");
    out.put(p[0]);
    out.put(u":/");
    p += 2;
    if (ombPathIsSeparator(*p)) {
      ++p;
    }
  }
  for (; *p; ++p) {
    out.put(ombPathIsSeparator(*p) ? u'/' : *p);
  }
  return out.finish();
}

uint32_t ombPathResolve(char16_t* destination, const char16_t* base, uint32_t capacity,
                        const char16_t* path) {
  OmbPathWriter out(destination, capacity);
  if (path[0] == u'/') {
    out.put(path);
    return out.finish();
  }
  std::u16string_view rest(base ? base : ombPathGetBaseDirectory());
  if (rest.starts_with(u"//")) {
    const std::size_t end = rest.find(u'/', 2);
    out.put(rest.substr(0, end));
    out.put(u'/');
    rest = end == std::u16string_view::npos ? std::u16string_view() : rest.substr(end + 1);
  } else if (rest.starts_with(u"/")) {
    out.put(u'/');
    rest.remove_prefix(1);
  }
  std::vector<std::u16string_view> levels;
  while (!rest.empty()) {
    const std::size_t end = rest.find(u'/');
    if (end != 0) {
      levels.push_back(rest.substr(0, end));
    }
    rest = end == std::u16string_view::npos ? std::u16string_view() : rest.substr(end + 1);
  }
  // Only the leading run of "." steps is interpreted: "." stays, ".." climbs one level, "..."
  // two; a run of dots followed by anything but "/" begins a name.
  std::size_t up = 0;
  const char16_t* remainder = path;
  for (;;) {
    if (*remainder == u'/') {
      ++remainder;
      continue;
    }
    std::size_t dots = 0;
    while (remainder[dots] == u'.') {
      ++dots;
    }
    if (dots == 0 || (remainder[dots] != u'/' && remainder[dots] != 0)) {
      break;
    }
    up += dots - 1;
    remainder += dots;
  }
  const std::size_t kept = up >= levels.size() ? 0 : levels.size() - up;
  for (std::size_t i = 0; i < kept; ++i) {
    out.put(levels[i]);
    out.put(u'/');
  }
  out.put(remainder);
  return out.finish();
}

uint32_t ombPathMake(uint32_t capacity, char16_t* destination, const char16_t* directory,
                     const char16_t* name, const char16_t* extension) {
  OmbPathWriter out(destination, capacity);
  if (directory && *directory) {
    const std::u16string_view folder(directory);
    out.put(folder);
    if (folder.back() != u'/') {
      out.put(u'/');
    }
  }
  if (name) {
    out.put(name);
  }
  if (extension && *extension) {
    if (*extension != u'.') {
      out.put(u'.');
    }
    out.put(extension);
  }
  return out.finish();
}

uint32_t ombPathGetDirectory(char16_t* destination, const char16_t* path) {
  const std::u16string_view text(path);
  const std::size_t slash = text.rfind(u'/');
  std::size_t length = slash == std::u16string_view::npos ? 0 : slash + 1;
  if (length > OMB_PATH_DIRECTORY_CAPACITY - 1) {
    length = OMB_PATH_DIRECTORY_CAPACITY - 1;
  }
  OmbPathWriter out(destination, OMB_PATH_DIRECTORY_CAPACITY);
  out.put(text.substr(0, length));
  return out.finish();
}

uint32_t ombPathChangeExtension(const char16_t* path, char16_t* destination, uint32_t capacity,
                                const char16_t* extension) {
  const std::u16string_view text(path);
  const std::size_t slash = text.rfind(u'/');
  const std::size_t nameStart = slash == std::u16string_view::npos ? 0 : slash + 1;
  const std::size_t dot = text.rfind(u'.');
  const std::size_t keep = dot != std::u16string_view::npos && dot >= nameStart ? dot : text.size();
  OmbPathWriter out(destination, capacity);
  out.put(text.substr(0, keep));
  if (extension && *extension) {
    out.put(u'.');
    out.put(extension[0] == u'.' ? extension + 1 : extension);
  }
  return out.finish();
}
