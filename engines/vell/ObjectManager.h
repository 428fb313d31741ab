#pragma once

#include "engines/vell/FieldObject.h"
#include "foundation/omb/containers/ombList.h"

#include <cstdint>

// The field engine's objects between one map reset and the next: created for objectCreate,
// updated in list order, drawn in two steps around the map's decals, kept while exited objects
// are still referenced and deleted at the end of the update after they reach the destroy list.
// Objects that loaded a collision map sit at the front of the live list, the last loaded first.
namespace vell {

class Engine;
class AttackNotices;

class ObjectManager {
 public:
  ObjectManager();
  ~ObjectManager();
  ObjectManager(const ObjectManager&) = delete;
  ObjectManager& operator=(const ObjectManager&) = delete;

  // The objects' directory: the engine's base directory joined with "object/".
  void setup(Engine& owner);
  // A new object at the end of the live list, set up and started; the object when the create
  // record asks for a reference, else null.
  Object* create(const char16_t* group, const char16_t* name, const CreateRecord& record,
                 const ScriptObject& args);
  // Every live object in list order, then the destroy list is emptied.
  void update();
  // The hit pass of every live object's damage records against the attack items of the object
  // space; notices go through `notices` (no attacks can exist without one).
  void hitPass(AttackNotices* notices);
  void drawFirst(const float* lightDirection, const float* lightColor, const float* ambient);
  void drawRest(const float* lightDirection, const float* lightColor, const float* ambient);
  void destroyAll();
  // live with references -> exited; live without, or exited -> destroy list; nothing else.
  void exit(Object& object);
  void moveToFront(Object& object);

  Engine& engine() const { return *engine_; }
  const char16_t* objectsDirectory() const { return directory_; }
  // The lists, in order (for the state hash and the tests).
  OMB_LIST& live() { return live_; }
  OMB_LIST& exited() { return exited_; }
  OMB_LIST& destroying() { return destroy_; }

 private:
  void destroyList(OMB_LIST& list);

  Engine* engine_ = nullptr;
  const char16_t* directory_ = u"";
  OMB_LIST live_{};
  OMB_LIST exited_{};
  OMB_LIST destroy_{};
  OMB_LIST_LINK* drawCursor_ = nullptr;
};

// The objects of a list in order.
template <class F>
void forEachObject(OMB_LIST& list, F&& f) {
  for (OMB_LIST_LINK* link = list.head.next; link != &list.head;) {
    OMB_LIST_LINK* next = link->next;
    f(*static_cast<Object*>(ombListElement(&list, link)));
    link = next;
  }
}

}  // namespace vell
