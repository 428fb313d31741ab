#include "host/app/AppResources.h"

#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombPathState.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/text/ombFormat.h"
#include "script/ScriptManager.h"
#include "script/ScriptNative.h"
#include "script/ScriptThread.h"

#include <memory>

namespace {

constexpr uint32_t kNameCapacity = 128;

bool exists(const char16_t* name) { return ombFileIsExist(OMB_FILE_MODE_READ, name) == OMB_OK; }

void registerArchive(const char16_t* name) {
  ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] load resource \"%ls\"", "_loadResource", name);
  if (ombFileRegistPack(name) != OMB_OK) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] リソースファイル\"%ls\"を開けませんでした。",
                 "_loadResource", name);
  }
}

void setAppDir(HSQUIRRELVM, const char16_t* name) { ombFileSetAppDir(name); }

}  // namespace

bool _loadResource(const char16_t* baseName) {
  char16_t name[kNameCapacity];
  ombStrPrintf(name, kNameCapacity, u"%ls.dat", baseName);
  if (!exists(name)) {
    ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] resource \"%ls\" is not exist.", "_loadResource",
                 name);
    return false;
  }
  registerArchive(name);
  for (uint32_t n = 0;; ++n) {
    ombStrPrintf(name, kNameCapacity, u"%ls%u.dat", baseName, n);
    if (!exists(name)) break;
    registerArchive(name);
  }
  return true;
}

void runBaseScript() {
  ScriptManager manager;
  ScriptObject table = manager.newTable(nullptr);
  table.registerFunction(u"setAppDir", &setAppDir);
  std::unique_ptr<ScriptThread> thread(new ScriptThread(&manager, table));
  {
    const ScriptObject result = thread->loadWithInit(u"sys/base", nullptr, nullptr);
  }
  thread.reset();
  table = ScriptObject();
}
