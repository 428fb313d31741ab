// The math natives of the root table: floats in and out (integers accepted where a float is
// expected), angles in degrees.
#include "foundation/math/DetMath.h"
#include "script/ScriptAngle.h"
#include "script/ScriptBaseNatives.h"
#include "script/ScriptNative.h"

#include <cmath>
#include <cstdint>

namespace {

// |value| for numbers of either kind (the most negative integer stays itself); 0 otherwise.
ScriptObject mathGetAbsolute(HSQUIRRELVM vm, ScriptObject value) {
  switch (value.getType()) {
    case OT_FLOAT:
      return ScriptObject::newFloat(vm, std::fabs(value.toFloat()));
    case OT_INTEGER: {
      const int32_t n = value.toInteger();
      return ScriptObject::newInteger(
          vm, n < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(n)) : n);
    }
    default:
      return ScriptObject::newInteger(vm, 0);
  }
}

// A float rounded half away from zero to an integer, saturating outside the integer range (NaN
// gives 0); any other value unchanged.
ScriptObject mathRound(HSQUIRRELVM vm, ScriptObject value) {
  if (value.getType() != OT_FLOAT) {
    return value;
  }
  const float f = value.toFloat();
  const float shifted = f >= 0.0f ? f + 0.5f : f - 0.5f;
  int32_t rounded = 0;
  if (shifted >= 2147483648.0f) {
    rounded = INT32_MAX;
  } else if (shifted <= -2147483648.0f) {
    rounded = INT32_MIN;
  } else if (!std::isnan(shifted)) {
    rounded = static_cast<int32_t>(shifted);
  }
  return ScriptObject::newInteger(vm, rounded);
}

float mathRoundAngle360(float degrees) {
  return scriptWrapAngle(degrees, 0.0f, 360.0f, 360.0f);
}

float mathRoundAngle180(float degrees) {
  return scriptWrapAngle(degrees, -180.0f, 180.0f, 360.0f);
}

float mathPow(float base, float exponent) {
  return detmath::pow(base, exponent);
}

float mathSqrt(float value) {
  return std::sqrt(value);
}

float mathRcp(float value) {
  return 1.0f / value;
}

float mathSin(float degrees) {
  return detmath::sin(degrees * kScriptDegreesToRadians);
}

float mathCos(float degrees) {
  return detmath::cos(degrees * kScriptDegreesToRadians);
}

float mathTan(float degrees) {
  return detmath::tan(degrees * kScriptDegreesToRadians);
}

float mathAsin(float value) {
  return detmath::asin(value) * kScriptRadiansToDegrees;
}

float mathAcos(float value) {
  return detmath::acos(value) * kScriptRadiansToDegrees;
}

float mathAtan(float value) {
  return detmath::atan(value) * kScriptRadiansToDegrees;
}

float mathAtan2(float a, float b) {
  return detmath::atan2(a, b) * kScriptRadiansToDegrees;
}

}  // namespace

void scriptRegisterMathNatives(const ScriptObject& table) {
  table.registerFunction(u"mathGetAbsolute", &mathGetAbsolute)
      .registerFunction(u"mathRound", &mathRound)
      .registerFunction(u"mathRoundAngle360", &mathRoundAngle360)
      .registerFunction(u"mathRoundAngle180", &mathRoundAngle180)
      .registerFunction(u"mathPow", &mathPow)
      .registerFunction(u"mathSqrt", &mathSqrt)
      .registerFunction(u"mathRcp", &mathRcp)
      .registerFunction(u"mathSin", &mathSin)
      .registerFunction(u"mathCos", &mathCos)
      .registerFunction(u"mathTan", &mathTan)
      .registerFunction(u"mathAsin", &mathAsin)
      .registerFunction(u"mathAcos", &mathAcos)
      .registerFunction(u"mathAtan", &mathAtan)
      .registerFunction(u"mathAtan2", &mathAtan2);
}
