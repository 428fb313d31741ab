#pragma once

#include "script/ScriptObject.h"
#include "script/ScriptStack.h"
#include "squirrel/squirrel.h"

// The script class Vec3: instances carry three floats as their native data and are recognised
// by the class's type tag. Methods work in single precision and in degrees; those that give a
// vector make a new instance through the manager (ScriptManager::prepareNewVec3) and leave
// `this` unchanged.
struct Vec3 {
  float x;
  float y;
  float z;

  static constexpr char16_t kScriptClassName[] = u"Vec3";
  // Identifies Vec3 instances (also for the value serialiser); only its identity matters.
  static SQUserPointer typeTag();
  // Creates the class in the table and registers its methods.
  static void registerScriptClass(const ScriptObject& table);
  // A new instance made on the manager of the machine; null when the machine has none.
  static ScriptObject create(HSQUIRRELVM vm, float x, float y, float z);

  // "constructor" and "set": Vec3(), Vec3(n), Vec3(x, y, z), Vec3(v) assign nothing, all three
  // n, the three, or a copy of v; any other count of arguments leaves the components unchanged.
  void construct(ScriptStack* stack);
  float lengthSq();
  float length();
  float lengthXZSq();
  float lengthXZ();
  float lengthYSq();
  float lengthY();
  // Non-finite components for a zero vector (1 / 0 times 0); it does not fail.
  ScriptObject normalize(HSQUIRRELVM vm);
  ScriptObject rotateX(HSQUIRRELVM vm, float degrees);
  ScriptObject rotateY(HSQUIRRELVM vm, float degrees);
  ScriptObject rotateZ(HSQUIRRELVM vm, float degrees);
  // atan2(x, z), in degrees 0 to 360.
  float getAngleXZ();
  // atan2(-y, length in XZ), in degrees 0 to 360.
  float getAngleY();
  // "x", "y" and "z"; any other key reads 0 and writes nothing.
  float getMember(const char16_t* key);
  float setMember(const char16_t* key, float value);
  // Another Vec3 only: anything else is "can't get instance up" and null.
  ScriptObject add(HSQUIRRELVM vm, ScriptObject other);
  ScriptObject sub(HSQUIRRELVM vm, ScriptObject other);
  ScriptObject mul(HSQUIRRELVM vm, float factor);
  ScriptObject div(HSQUIRRELVM vm, float divisor);
  ScriptObject unm(HSQUIRRELVM vm);
};

static_assert(sizeof(Vec3) == 12, "instance data is three 32-bit floats");
