#pragma once

#include "script/ScriptObject.h"

#include <cstdint>

// The few script-value writes of the bullet code that have no form in ScriptObject: a member set
// under an interned key (no key string made per call) and an array append with the binding
// layer's error.
namespace vell {

// Indices into the engine's keys (ScriptKeys::kNames).
inline constexpr uint32_t kKeyNotifies = 0;
inline constexpr uint32_t kKeyPos = 12;
inline constexpr uint32_t kKeyRot = 13;
inline constexpr uint32_t kKeyRotAxis = 14;
inline constexpr uint32_t kKeyRotAngle = 15;
inline constexpr uint32_t kKeyRots = 16;
inline constexpr uint32_t kKeyRotXZ = 17;
inline constexpr uint32_t kKeyCount = 19;
inline constexpr uint32_t kKeyType = 20;
inline constexpr uint32_t kKeyTimeout = 21;
inline constexpr uint32_t kKeyOwner = 22;
inline constexpr uint32_t kKeyOwnerTrack = 23;
inline constexpr uint32_t kKeyTrackRotLimit = 24;
inline constexpr uint32_t kKeyCollAttackMask = 25;
inline constexpr uint32_t kKeyTarget = 26;
inline constexpr uint32_t kKeyTargetOffset = 27;
inline constexpr uint32_t kKeyTargetOffsetFix = 28;
inline constexpr uint32_t kKeyLockonBias = 29;
inline constexpr uint32_t kKeyMarker = 41;

// table[key] = value (a raw set: a missing slot is created), on the table's machine.
void setSlotByKey(const ScriptObject& table, const ScriptObject& key, const ScriptObject& value);
// Appends value; a failure is the script error "can't append array".
void appendToArray(const ScriptObject& array, const ScriptObject& value);

}  // namespace vell
