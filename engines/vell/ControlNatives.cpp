// The root table's controller natives: the three flag arrays ("event" pressed this frame,
// "status" held, "intr" the third flag) and the analog values of the engine's four controllers.

#include "engines/vell/Engine.h"
#include "net/controller/Controller.h"
#include "script/ScriptNative.h"

#include <algorithm>

namespace vell {

namespace {

enum class Flags { Event, Status, Intr };

// Controllers outside 0..3 have no flags: reads give false and writes change nothing.
Controller* controllerAt(HSQUIRRELVM vm, int32_t index) {
  if (index < 0) return nullptr;
  return fieldEngine(vm).controller(uint32_t(index));
}

uint8_t* flagsOf(Controller& c, Flags which) {
  if (which == Flags::Event) return c.pressed();
  if (which == Flags::Status) return c.held();
  return c.third();
}

// The flag byte of one button, or null for a controller or button out of range.
uint8_t* flagAt(HSQUIRRELVM vm, int32_t index, int32_t button, Flags which) {
  Controller* c = controllerAt(vm, index);
  if (c == nullptr || button < 0 || button >= Controller::kButtons) return nullptr;
  return flagsOf(*c, which) + button;
}

template <Flags which>
bool ctrlGet(HSQUIRRELVM vm, int32_t index, int32_t button) {
  const uint8_t* flag = flagAt(vm, index, button, which);
  return flag != nullptr && *flag != 0;
}

template <Flags which>
void ctrlSet(HSQUIRRELVM vm, int32_t index, int32_t button, bool value) {
  if (uint8_t* flag = flagAt(vm, index, button, which)) *flag = value ? 1 : 0;
}

void ctrlClear(HSQUIRRELVM vm, int32_t index) {
  Controller* c = controllerAt(vm, index);
  if (c == nullptr) return;
  for (Flags which : {Flags::Event, Flags::Status, Flags::Intr}) {
    std::fill_n(flagsOf(*c, which), Controller::kButtons, uint8_t(0));
  }
  c->analog().fill(0.0f);
}

// Bit 0 "event", bit 1 "status", bit 2 "intr": each an array of the 16 buttons' flags, button 0
// first. A controller out of range gives arrays of false.
ScriptObject ctrlGetArray(HSQUIRRELVM vm, int32_t index, int32_t mask) {
  Controller* c = controllerAt(vm, index);
  ScriptObject table = ScriptObject::newTable(vm);
  const struct {
    Flags which;
    const char16_t* key;
  } arrays[] = {{Flags::Event, u"event"}, {Flags::Status, u"status"}, {Flags::Intr, u"intr"}};
  for (uint32_t bit = 0; bit < 3; ++bit) {
    if (!(uint32_t(mask) & (1u << bit))) continue;
    const uint8_t* flags = c != nullptr ? flagsOf(*c, arrays[bit].which) : nullptr;
    ScriptObject list = ScriptObject::newArray(vm, Controller::kButtons);
    for (int32_t b = 0; b < Controller::kButtons; ++b) {
      const bool on = flags != nullptr && flags[b] != 0;
      list.setSlotByIndex(b, ScriptObject::newBool(vm, on).getObject());
    }
    table.setSlot(arrays[bit].key, list.getObject());
  }
  return table;
}

}  // namespace

void registerControlNatives(const ScriptObject& table) {
  table.registerFunction(u"ctrlClear", &ctrlClear)
      .registerFunction(u"ctrlGetArray", &ctrlGetArray)
      .registerFunction(u"ctrlGetEvent", &ctrlGet<Flags::Event>)
      .registerFunction(u"ctrlSetEvent", &ctrlSet<Flags::Event>)
      .registerFunction(u"ctrlGetStatus", &ctrlGet<Flags::Status>)
      .registerFunction(u"ctrlSetStatus", &ctrlSet<Flags::Status>)
      .registerFunction(u"ctrlGetIntr", &ctrlGet<Flags::Intr>)
      .registerFunction(u"ctrlSetIntr", &ctrlSet<Flags::Intr>);
}

}  // namespace vell
