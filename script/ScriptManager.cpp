#include "script/ScriptManager.h"

#include "foundation/omb/containers/ombAllocator.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/text/ombString.h"
#include "script/ScriptBaseNatives.h"
#include "script/ScriptHooks.h"
#include "script/ScriptStackTop.h"
#include "script/ScriptThread.h"
#include "script/Vec3.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr uint32_t kInternCapacity = 128;

const char16_t* intern(OMB_HASH& strings, const char16_t* text) {
  if (auto* found = static_cast<const char16_t*>(ombHashFind(&strings, text))) {
    return found;
  }
  const std::size_t bytes = (std::size_t{ombStrLength(text)} + 1) * sizeof(char16_t);
  auto* copy = static_cast<char16_t*>(ombCheckAlloc(ombAllocatorMalloc(nullptr, bytes)));
  if (!copy) {
    return nullptr;
  }
  std::memcpy(copy, text, bytes);
  ombHashInsert(&strings, copy, copy);
  return copy;
}

}  // namespace

ScriptManager::ScriptManager() : ScriptMachineOwner{ScriptMachineRole::Manager} {
  vm.vm = sq_open(8);
  vm.ownsVm = true;
  ombListInit(&threads, static_cast<int32_t>(offsetof(ScriptThread, link)));
  ombHashInit(&strings, 256, ombAllocatorFreeCallback);
  sq_setforeignptr(vm.vm, static_cast<ScriptMachineOwner*>(this));
  rootTable = vm.getRootTable();
  sq_setprintfunc(vm.vm, scriptPrintHandler);
  sq_setcompilererrorhandler(vm.vm, scriptCompileErrorHandler);
  {
    ScriptStackTop top(vm.vm);
    sq_newclosure(vm.vm, scriptRuntimeErrorHandler, 0);
    sq_seterrorhandler(vm.vm);
  }
  scriptRegisterBaseNatives(rootTable);
  Vec3::registerScriptClass(rootTable);
  vec3Class = rootTable.getSlot(Vec3::kScriptClassName);
}

ScriptManager::~ScriptManager() {
  while (auto* thread = static_cast<ScriptThread*>(ombListGetFirst(&threads))) {
    delete thread;  // unlinks itself and releases its machine
  }
  vec3Class = ScriptObject();
  rootTable = ScriptObject();
  ombHashUninit(&strings);
  ombListClear(&threads);
  vm.release();
}

const char16_t* ScriptManager::internDirectory(const char16_t* path) {
  char16_t text[kInternCapacity];
  ombStrCopy(path, text, kInternCapacity);
  ombStrToLower(text);
  const uint32_t length = ombStrLength(text);
  if ((length == 0 || text[length - 1] != u'/') && length <= kInternCapacity - 2) {
    text[length] = u'/';
    text[length + 1] = 0;
  }
  return intern(strings, text);
}

const char16_t* ScriptManager::internString(const char16_t* text) {
  char16_t lowered[kInternCapacity];
  ombStrCopy(text, lowered, kInternCapacity);
  ombStrToLower(lowered);
  return intern(strings, lowered);
}

ScriptObject ScriptManager::newTable(const ScriptObject* parent) {
  ScriptObject table = ScriptObject::newTable(vm.vm);
  table.setDelegate((parent ? *parent : rootTable).getObject());
  return table;
}

ScriptCall ScriptManager::prepareNewVec3() {
  const int32_t savedTop = sq_gettop(vm.vm);
  sq_pushobject(vm.vm, vec3Class.getObject());
  sq_pushroottable(vm.vm);
  return ScriptCall{vm.vm, 0, savedTop, &vm.suspendedTop};
}
