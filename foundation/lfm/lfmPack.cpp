#include "foundation/lfm/lfmPack.h"

#include "foundation/dbtl/DApplication.h"
#include "foundation/dbtl/DMFile.h"
#include "foundation/dbtl/Dpath.h"
#include "foundation/dbtl/Dstr.h"
#include "foundation/dbtl/lfmNextChar.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/lfm/lfmPackInfo.h"
#include "foundation/startup/StartupObjects.h"

using startup::g_lfmOverride;
using startup::g_lfmPackCount;
using startup::g_lfmPacks;

namespace {

const char* orEmpty(const char* text) { return text != nullptr ? text : ""; }

// The base of every relative name: the executable's directory, or nothing (the current
// directory) before the application is published.
const char* moduleDirectory() {
  const dbtl::DApplication* application = dbtl::DApplication::GetPublished();
  return application != nullptr ? application->GetModuleDirectory() : "";
}

// The pack of a number that was checked by the caller's message.
_PACKINFO& checkedPack(int32_t pack, const char16_t* message) {
  if (pack < 0 || static_cast<uint32_t>(pack) >= g_lfmPackCount) {
    lerrFatal(lerrText(message).c_str(), pack);
  }
  return g_lfmPacks.GetData()[pack];
}

bool isUnnamed(const _PACKINFO& info) { return info.name.GetLength() == 0; }

void copyName(char* buffer, const char* text) {
  dbtl::detail::DpathCopyBounded(buffer, text, dbtl::DPATH_MAX_LENGTH);
}

// "<module directory>/<pack name>/<name>" of a directory pack.
void directoryPackPath(char* buffer, const _PACKINFO& info, const char* name) {
  char directory[dbtl::DPATH_BUFFER_SIZE];
  dbtl::DpathMake(directory, moduleDirectory(), info.name.GetText(), nullptr);
  dbtl::DpathMake(buffer, directory, name, nullptr);
}

}  // namespace

int32_t lfmRegistPack(const char* name) {
  name = orEmpty(name);
  for (uint32_t i = 0; i < g_lfmPackCount; ++i) {
    if (dbtl::DstrCompareNoCase(g_lfmPacks.GetData()[i].name.GetText(), name) == 0) {
      return static_cast<int32_t>(i);
    }
  }
  const uint32_t number = g_lfmPackCount;
  g_lfmPacks.Reserve(number + 1);
  _PACKINFO& info = g_lfmPacks.GetData()[number];
  info.name.Assign(name);
  info.container.Reset();
  g_lfmPackCount = number + 1;

  if (!g_lfmOverride && *name != '\0') {
    char path[dbtl::DPATH_BUFFER_SIZE];
    dbtl::DpathMake(path, moduleDirectory(), name, "dmf");
    if (dbtl::DpathIsFile(path)) {
      dbtl::rcptr<dbtl::DMFile> container;
      container.Create(1);
      if (!container->OpenPath(path)) {
        lerrFatal(lerrText(u"[lfmRegistPack] パックファイル\"%s\"が異常です").c_str(), path);
      }
      info.container = container;
    }
  }
  return static_cast<int32_t>(number);
}

void lfmRegistOverride(const dbtl::rcptr<LFmOverride>& override) {
  if (override && g_lfmOverride) {
    lerrFatal("%s", lerrText(u"[lfmRegistOverride] すでにoverrideされている").c_str());
  }
  g_lfmOverride = override;
}

void lfmTerm() {
  g_lfmPackCount = 0;
  g_lfmPacks.Release();
  g_lfmOverride.Reset();
}

char* lfmGetPackFileName(int32_t pack, char* buffer, const char* name) {
  const _PACKINFO& info = checkedPack(pack, u"[lfmGetPackFileName] パック番号が異常(%d)");
  name = orEmpty(name);
  if (info.container || g_lfmOverride) {
    dbtl::DpathMake(buffer, info.name.GetText(), name, nullptr);
  } else if (isUnnamed(info)) {
    copyName(buffer, dbtl::DpathCombine(name, moduleDirectory()).GetText());
  } else {
    directoryPackPath(buffer, info, name);
  }
  return buffer;
}

bool lfmIsPackDataExist(int32_t pack, const char* name) {
  const _PACKINFO& info = checkedPack(pack, u"[lfmIsPackDataExist] パック番号が異常(%d)");
  name = orEmpty(name);
  if (g_lfmOverride) return g_lfmOverride->IsDataExist(name);
  if (info.container) return info.container->FindEntry(name) != nullptr;
  if (isUnnamed(info)) {
    return dbtl::DpathIsFile(dbtl::DpathCombine(name, moduleDirectory()).GetText());
  }
  char path[dbtl::DPATH_BUFFER_SIZE];
  directoryPackPath(path, info, name);
  return dbtl::DpathIsFile(path);
}

void lfmOpenPackData(int32_t pack, dbtl::DFile& file, const char* name) {
  const _PACKINFO& info = checkedPack(pack, u"[lfmOpenPackData] パック番号が異常(%d)");
  name = orEmpty(name);
  if (!g_lfmOverride && info.container) {
    // Like the other kinds of pack, a container pack replaces whatever the file held; an open
    // file would otherwise be reported as a missing entry.
    file.Close();
    if (!info.container->OpenEntry(name, file)) {
      lerrFatal(lerrText(u"[lfmOpenPackData] 指定パック\"%s\"にファイル\"%s\"は存在しません").c_str(),
                info.name.GetText(), name);
    }
    return;
  }
  char relative[dbtl::DPATH_BUFFER_SIZE];
  if (isUnnamed(info)) {
    copyName(relative, name);
  } else {
    dbtl::DpathMake(relative, info.name.GetText(), name, nullptr);
  }
  lfmOpenFile(relative, file, dbtl::DFILE_READ);
}

void lfmOpenFile(const char* relativeName, dbtl::DFile& file, uint32_t flags) {
  relativeName = orEmpty(relativeName);
  if (g_lfmOverride) {
    g_lfmOverride->OpenData(file, relativeName, flags);
    return;
  }
  char path[dbtl::DPATH_BUFFER_SIZE];
  copyName(path, dbtl::DpathCombine(relativeName, moduleDirectory()).GetText());
  file.Close();
  if (!file.Open(path, flags)) {
    lerrFatal(lerrText(u"ファイル \"%s\" を開けませんでした。").c_str(), path);
  }
}

bool lfmSearchPackData(char* result, int32_t pack, const char* name, const char* list) {
  name = orEmpty(name);
  if (lfmIsPackDataExist(pack, name)) {
    copyName(result, name);
    return true;
  }
  char extension[dbtl::DPATH_BUFFER_SIZE];
  uint32_t length = 0;
  const char* cursor = orEmpty(list);
  for (;;) {
    const unsigned int c = lfmNextChar(&cursor);
    // An empty extension tests the name itself, but only between separators: the end of a
    // list does not add one.
    if (c == ':' || (c == 0 && length != 0)) {
      extension[length] = '\0';
      char candidate[dbtl::DPATH_BUFFER_SIZE];
      dbtl::DpathMake(candidate, nullptr, name, extension);
      if (lfmIsPackDataExist(pack, candidate)) {
        copyName(result, candidate);
        return true;
      }
      length = 0;
    }
    if (c == 0) break;
    if (c == ':') continue;
    // An overlong extension is cut; its characters are still consumed up to the next ':'.
    const uint32_t width = c > 0xFF ? 2 : 1;
    if (length + width <= dbtl::DPATH_MAX_LENGTH) {
      if (width == 2) extension[length++] = static_cast<char>(c >> 8);
      extension[length++] = static_cast<char>(c & 0xFF);
    }
  }
  copyName(result, name);
  return false;
}
