#include "foundation/omb/file/ombPathState.h"

#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/file/ombPath.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/text/ombString.h"
#include "platform/kernel/ExecutablePath.h"
#include "platform/text/Utf8.h"

#include <cstdlib>
#include <string>

namespace {

constexpr uint32_t kWorkStep = 32;
constexpr uint32_t kWorkInitial = 128;

char16_t* baseDirectory = nullptr;
char16_t* appDir = nullptr;
OMB_ARRAY workBuffers[2];

}  // namespace

void ombFileSetAppDir(const char16_t* subDirectory) {
  platform::RecursiveMutexHold hold(ombFileLock());
  std::free(appDir);
  appDir = nullptr;
  if (!subDirectory) {
    return;
  }
  std::u16string copy(subDirectory);
  if (copy.empty() || copy.back() != u'/') {
    copy += u'/';
  }
  appDir = ombStrDup(copy.c_str());
}

const char16_t* ombPathGetBaseDirectory() {
  return baseDirectory ? baseDirectory : u"";
}

const char16_t* ombPathGetAppDir() {
  return appDir;
}

OMB_ARRAY* ombPathWorkBuffer(int index) {
  return &workBuffers[index & 1];
}

bool ombPathStateInit() {
  for (OMB_ARRAY& buffer : workBuffers) {
    ombArrayInit(&buffer, sizeof(char16_t), kWorkStep);
    ombArrayResize(&buffer, kWorkInitial);
  }
  const std::u16string executable = platform::utf8ToUtf16(platform::executablePath());
  const std::size_t separator = executable.find_last_of(u"/\\");
  if (separator == std::u16string::npos) {
    return false;
  }
  const std::u16string directory = executable.substr(0, separator + 1);
  const uint32_t length = ombPathFromNative(nullptr, 0, directory.c_str());
  std::free(baseDirectory);
  baseDirectory = ombCheckAlloc(
      static_cast<char16_t*>(std::malloc((std::size_t{length} + 1) * sizeof(char16_t))));
  if (!baseDirectory) {
    return false;
  }
  ombPathFromNative(baseDirectory, length + 1, directory.c_str());
  return true;
}

void ombPathStateUninit() {
  std::free(appDir);
  appDir = nullptr;
  std::free(baseDirectory);
  baseDirectory = nullptr;
  for (OMB_ARRAY& buffer : workBuffers) {
    ombArrayUninit(&buffer);
    ombArrayInit(&buffer, sizeof(char16_t), kWorkStep);
  }
}
