#include "foundation/omb/ombMswDebugSettings.h"

#include "foundation/omb/ombLog.h"
#include "foundation/omb/text/ombString.h"
#include "platform/kernel/IniFile.h"
#include "platform/text/Utf8.h"

namespace {

constexpr char16_t kSection[] = u"debug";
constexpr uint32_t kLevelCapacity = 32;

}  // namespace

int32_t ombMswLevelFromName(const char16_t* name, int32_t fallback) {
  static constexpr const char16_t* kNames[] = {u"error", u"warning", u"message", u"information",
                                               u"debug"};
  for (int32_t level = 0; level < static_cast<int32_t>(std::size(kNames)); ++level) {
    if (ombStrIsEqualNoCase(name, kNames[level], 0xFFFFFFFFu)) {
      return level;
    }
  }
  return fallback;
}

OmbMswDebugSettings ombMswReadDebugSettings(const std::u16string& iniPath) {
  const std::string path = platform::utf16ToUtf8(iniPath);
  char16_t level[kLevelCapacity];
  platform::getPrivateProfileString(kSection, u"level", u"", level, kLevelCapacity, path);
  return OmbMswDebugSettings{
      ombMswLevelFromName(level, OMB_LOG_MESSAGE),
      platform::getPrivateProfileInt(kSection, u"file", 1, path) != 0,
      platform::getPrivateProfileInt(kSection, u"fileFlush", 0, path) != 0,
  };
}
