#include "script/ScriptThread.h"

#include "foundation/file/File.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombPath.h"
#include "script/ScriptManager.h"
#include "script/ScriptStackTop.h"

#include <cstdint>

namespace {

// Runs a builder with the bounded-output convention (it returns the full length) until the
// text fits: script paths are never cut.
template <class Build>
std::u16string buildWhole(Build build) {
  std::u16string text(128, u'\0');
  uint32_t length = build(text.data(), static_cast<uint32_t>(text.size()));
  if (length >= text.size()) {
    text.assign(std::size_t{length} + 1, u'\0');
    length = build(text.data(), static_cast<uint32_t>(text.size()));
  }
  text.resize(length);
  return text;
}

ScriptObject callIfPresent(ScriptThread& thread, const char16_t* name) {
  const ScriptObject function = thread.vm.getRootTable().findSlot(name);
  if (function.isNull()) {
    return ScriptObject::newNull(thread.vm.vm);
  }
  return thread.vm.prepareCall(function).run();
}

}  // namespace

std::u16string scriptResolvePath(const char16_t* directory, const char16_t* path) {
  // A script at the root has the directory "/": resolving against it would name the file
  // system's root instead of the game's.
  const bool root = !directory || directory[0] == 0 || (directory[0] == u'/' && directory[1] == 0);
  const char16_t* base = root ? u"" : directory;
  return buildWhole([&](char16_t* out, uint32_t capacity) {
    return ombPathResolve(out, base, capacity, path);
  });
}

const char16_t* loadCompiledScript(const char16_t* path, ScriptThread* thread,
                                   ScriptObject& closure) {
  const std::u16string name = buildWhole([&](char16_t* out, uint32_t capacity) {
    return ombPathMake(capacity, out, nullptr, path, u"cnut");
  });
  char16_t directory[OMB_PATH_DIRECTORY_CAPACITY];
  ombPathGetDirectory(directory, name.c_str());
  if (ombFileIsExist(OMB_FILE_MODE_READ, name.c_str()) != OMB_OK) {
    return nullptr;
  }
  File file;
  file.create(name.c_str(), OMB_FILE_MODE_READ, 0);
  if (!file.isOpen()) {
    return nullptr;
  }
  closure = ScriptObject::readClosure(file, thread->vm.vm);
  file.close();
  return thread->manager->internDirectory(directory);
}

ScriptThread::ScriptThread(ScriptManager* owner, const ScriptObject& parentTable)
    : manager(owner) {
  vm.newThread(*owner);
  ombListAppend(&owner->threads, &link);
  context.thread = this;
  if (!vm.vm) {
    return;
  }
  sq_setforeignptr(vm.vm, &context.owner);
  ScriptStackTop top(vm.vm);
  sq_newtable(vm.vm);
  sq_pushobject(vm.vm, parentTable.getObject());
  sq_setdelegate(vm.vm, -2);
  sq_setroottable(vm.vm);
}

ScriptThread::~ScriptThread() {
  ombListRemove(&manager->threads, &link);
  vm.release();
}

ScriptObject ScriptThread::load(const char16_t* path, void* engine, void* self, bool callInit) {
  ScriptObject closure;
  const char16_t* directory = loadCompiledScript(path, this, closure);
  if (!directory || closure.isNull()) {
    return ScriptObject();
  }
  context.dir = directory;
  context.engine = engine;
  context.self = self;
  startPending = true;
  vm.prepareCall(closure).run();
  if (!callInit) {
    return ScriptObject::newNull(vm.vm);
  }
  return callIfPresent(*this, u"init");
}

ScriptObject ScriptThread::loadRelative(const char16_t* baseDirectory, const char16_t* name,
                                        void* engine, void* self) {
  return loadWithInit(scriptResolvePath(baseDirectory, name).c_str(), engine, self);
}

ScriptObject ScriptThread::resume() {
  if (startPending) {
    startPending = false;
    return callIfPresent(*this, u"work");
  }
  if (vm.isSuspended()) {
    return vm.wakeUp();
  }
  return ScriptObject::newNull(vm.vm);
}
