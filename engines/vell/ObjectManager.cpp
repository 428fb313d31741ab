#include "engines/vell/ObjectManager.h"

#include "engines/vell/Engine.h"
#include "foundation/omb/file/ombPath.h"
#include "script/ScriptManager.h"

#include <cstddef>

namespace vell {

namespace {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
const int32_t kManagerLinkOffset = static_cast<int32_t>(offsetof(Object, managerLink));
#pragma GCC diagnostic pop

void unlink(OMB_LIST& list, Object& object) { ombListRemove(&list, &object.managerLink); }

}  // namespace

ObjectManager::ObjectManager() {
  ombListInit(&live_, kManagerLinkOffset);
  ombListInit(&exited_, kManagerLinkOffset);
  ombListInit(&destroy_, kManagerLinkOffset);
}

ObjectManager::~ObjectManager() { destroyAll(); }

void ObjectManager::setup(Engine& owner) {
  engine_ = &owner;
  char16_t path[128];
  ombPathMake(128, path, owner.baseDirectory(), u"object/", nullptr);
  directory_ = owner.scriptManager()->internDirectory(path);
  drawCursor_ = nullptr;
}

Object* ObjectManager::create(const char16_t* group, const char16_t* name,
                              const CreateRecord& record, const ScriptObject& args) {
  auto* object = new Object();
  ombListAppend(&live_, &object->managerLink);
  return object->setup(*this, group, name, record, args);
}

void ObjectManager::update() {
  // The next link is taken before each update: an object may leave the list in its own.
  forEachObject(live_, [](Object& o) { o.update(); });
  while (destroy_.count > 0) {
    auto* object = static_cast<Object*>(ombListGetFirst(&destroy_));
    unlink(destroy_, *object);
    delete object;
  }
}

void ObjectManager::exit(Object& object) {
  switch (object.status) {
    case kObjectLive:
      unlink(live_, object);
      if (object.references > 0) {
        ombListAppend(&exited_, &object.managerLink);
        object.status = kObjectExited;
      } else {
        ombListAppend(&destroy_, &object.managerLink);
        object.status = kObjectDestroy;
      }
      break;
    case kObjectExited:
      unlink(exited_, object);
      ombListAppend(&destroy_, &object.managerLink);
      object.status = kObjectDestroy;
      break;
    default:
      break;
  }
}

void ObjectManager::moveToFront(Object& object) {
  if (object.status != kObjectLive) return;
  unlink(live_, object);
  ombListPrepend(&live_, &object.managerLink);
}

void ObjectManager::drawFirst(const float* lightDirection, const float* lightColor,
                              const float* ambient) {
  OMB_LIST_LINK* link = live_.head.next;
  for (; link != &live_.head; link = link->next) {
    auto* object = static_cast<Object*>(ombListElement(&live_, link));
    if (object->collMap == nullptr) break;
    object->draw(lightDirection, lightColor, ambient);
  }
  drawCursor_ = link;
}

void ObjectManager::drawRest(const float* lightDirection, const float* lightColor,
                             const float* ambient) {
  OMB_LIST_LINK* link = drawCursor_ != nullptr ? drawCursor_ : live_.head.next;
  for (; link != &live_.head; link = link->next) {
    static_cast<Object*>(ombListElement(&live_, link))->draw(lightDirection, lightColor, ambient);
  }
  drawCursor_ = nullptr;
}

void ObjectManager::destroyList(OMB_LIST& list) {
  while (list.count > 0) {
    auto* object = static_cast<Object*>(ombListGetFirst(&list));
    unlink(list, *object);
    delete object;
  }
}

void ObjectManager::destroyAll() {
  destroyList(destroy_);
  destroyList(exited_);
  destroyList(live_);
  drawCursor_ = nullptr;
}

}  // namespace vell
