#include "foundation/omb/ombMswAppData.h"

#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/file/ombPath.h"
#include "foundation/omb/ombMsw.h"
#include "foundation/omb/text/ombString.h"
#include "platform/kernel/ExecutablePath.h"
#include "platform/text/Utf8.h"

namespace {

// Copies the text into the bounded output and returns its full length.
uint32_t bounded(char16_t* out, const std::u16string& text) {
  ombStrCopy(text.c_str(), out, OMB_MSW_PATH_CAPACITY);
  return static_cast<uint32_t>(text.size());
}

}  // namespace

std::u16string ombMswProgramBaseName(std::u16string_view programPath) {
  const std::size_t separator = programPath.find_last_of(u"/\\");
  if (separator != std::u16string_view::npos) {
    programPath.remove_prefix(separator + 1);
  }
  // The files were named after the program's file name without its extension; only a Windows
  // program file has one to lose, so nothing but ".exe" is taken off.
  constexpr std::u16string_view kProgramExtension = u".exe";
  std::u16string name(programPath);
  if (name.size() > kProgramExtension.size() &&
      ombStrIsEqualNoCase(name.c_str() + name.size() - kProgramExtension.size(),
                          kProgramExtension.data(), 0xFFFFFFFFu)) {
    name.resize(name.size() - kProgramExtension.size());
  }
  return name;
}

std::u16string ombMswAppDataFileName(const char16_t* extension) {
  const std::u16string name =
      ombMswProgramBaseName(platform::utf8ToUtf16(platform::executablePath()));
  constexpr const char16_t* kFolder = u"//<localappdata>/";
  std::u16string path(ombPathMake(0, nullptr, kFolder, name.c_str(), extension), u'\0');
  ombPathMake(static_cast<uint32_t>(path.size() + 1), path.data(), kFolder, name.c_str(),
              extension);
  return path;
}

std::u16string ombMswIniFileName() {
  const std::u16string path = ombMswAppDataFileName(u"ini");
  // The expansion reads the application's sub-directory, which the file lock guards.
  platform::RecursiveMutexHold hold(ombFileLock());
  std::u16string native(ombPathToNative(nullptr, 0, path.c_str()), u'\0');
  ombPathToNative(native.data(), static_cast<uint32_t>(native.size() + 1), path.c_str());
  return native;
}

uint32_t ombMswGetAppDataFileName(char16_t* out, const char16_t* extension) {
  return bounded(out, ombMswAppDataFileName(extension));
}

uint32_t ombMswConfigGetIniFileName(char16_t* out) {
  return bounded(out, ombMswIniFileName());
}
