#include "model/effect/L3DEffectEventRead.h"

#include "foundation/math/DetMath.h"
#include "foundation/math/LVec3.h"

#include <array>
#include <cmath>

namespace {

// One step of a kind's layout. A pair reads two floats, the first into word a and the second
// into word b; the file interleaves the two vectors a pair at a time.
enum class Op : uint8_t { End, U32, F32, Pair, Deg, AxisAngle, F32Since6 };

struct Step {
  Op op;
  uint8_t a;
  uint8_t b;
};

using Layout = std::array<Step, 7>;

constexpr Step U(uint8_t w) { return {Op::U32, w, 0}; }
constexpr Step F(uint8_t w) { return {Op::F32, w, 0}; }
constexpr Step P(uint8_t a, uint8_t b) { return {Op::Pair, a, b}; }
constexpr Step D(uint8_t w) { return {Op::Deg, w, 0}; }

constexpr Layout kNone{};
constexpr Layout kU2U3{U(2), U(3)};
constexpr Layout kU2{U(2)};
constexpr Layout kU2to4{U(2), U(3), U(4)};
constexpr Layout kU2to5{U(2), U(3), U(4), U(5)};
constexpr Layout kU2to6{U(2), U(3), U(4), U(5), U(6)};
constexpr Layout kF2to5{F(2), F(3), F(4), F(5)};
constexpr Layout kF2to4{F(2), F(3), F(4)};
constexpr Layout kPairs4{P(2, 6), P(3, 7), P(4, 8), P(5, 9)};
constexpr Layout kPairs4U10{P(2, 6), P(3, 7), P(4, 8), P(5, 9), U(10)};
constexpr Layout kPairs3{P(2, 5), P(3, 6), P(4, 7)};
constexpr Layout kPairs3U8{P(2, 5), P(3, 6), P(4, 7), U(8)};
constexpr Layout kPairs3Deg{P(2, 5), P(3, 6), P(4, 7), D(8), D(9)};
constexpr Layout kPairs3DegU10{P(2, 5), P(3, 6), P(4, 7), D(8), D(9), U(10)};
constexpr Layout kAxisAngle{Step{Op::AxisAngle, 2, 0}};
constexpr Layout kPairs2{P(2, 4), P(3, 5)};
constexpr Layout kPairs2U6{P(2, 4), P(3, 5), U(6)};
constexpr Layout kF2F3U4{F(2), F(3), U(4)};
constexpr Layout kF2F3{F(2), F(3)};
constexpr Layout kKind39{U(2), U(3), Step{Op::F32Since6, 4, 0}};

constexpr std::array<const Layout*, L3D_EFFECT_KIND_MAX + 1> kLayouts{
    &kNone,      &kU2U3,      &kU2,         &kU2to4,       &kU2to6,     &kU2to6,     // 0-5
    &kU2to5,     &kNone,      &kF2to5,      &kF2to5,       &kPairs4U10, &kPairs4,    // 6-11
    &kNone,      &kF2to4,     &kF2to4,      &kPairs3U8,    &kPairs3,    &kNone,      // 12-17
    &kF2to4,     &kF2to4,     &kPairs3U8,   &kPairs3,      &kNone,      &kAxisAngle, // 18-23
    &kAxisAngle, &kPairs3DegU10, &kPairs3Deg, &kNone,      &kU2U3,      &kPairs4,    // 24-29
    &kPairs3,    &kPairs3,    &kPairs3Deg,  &kPairs2U6,    &kPairs2,    &kPairs2,    // 30-35
    &kF2F3U4,    &kF2F3,      &kF2F3,       &kKind39,      &kF2to4,     &kF2to4,     // 36-41
    &kPairs3U8,  &kPairs3,    &kPairs3,                                              // 42-44
};

// Axis x, y, z and an angle in degrees into the quaternion of that rotation in w2 .. w5. An
// axis too short to normalise gives the identity whatever the angle.
void readAxisAngle(L3D_EFFECT_EVENT& event, L3DModelReader& r) {
  LVec3 axis;
  axis.x = r.F32();
  axis.y = r.F32();
  axis.z = r.F32();
  float angle = l3dEffectRadians(r.F32());
  if (std::fabs(axis.x) + std::fabs(axis.y) + std::fabs(axis.z) < 1e-6f) {
    axis = {0.0f, 0.0f, 1.0f};
    angle = 0.0f;
  } else {
    vec3Normalize(axis, axis);
  }
  const float h = angle * 0.5f;
  const float s = detmath::sin(h);
  event.SetF(2, axis.x * s);
  event.SetF(3, axis.y * s);
  event.SetF(4, axis.z * s);
  event.SetF(5, detmath::cos(h));
}

}  // namespace

float l3dEffectRadians(float degrees) { return degrees * 0.017453292f; }

void l3dReadEffectEventValues(L3D_EFFECT_EVENT& event, L3DModelReader& r, uint32_t version) {
  for (const Step& step : *kLayouts[event.kind]) {
    switch (step.op) {
      case Op::End:
        return;
      case Op::U32:
        event.SetU(step.a, r.U32());
        break;
      case Op::F32:
        event.SetF(step.a, r.F32());
        break;
      case Op::Pair:
        event.SetF(step.a, r.F32());
        event.SetF(step.b, r.F32());
        break;
      case Op::Deg:
        event.SetF(step.a, l3dEffectRadians(r.F32()));
        break;
      case Op::AxisAngle:
        readAxisAngle(event, r);
        break;
      case Op::F32Since6:
        event.SetF(step.a, version >= 6 ? r.F32() : 0.0f);
        break;
    }
  }
}

L3DEffectEventRefs l3dEffectEventRefs(uint32_t kind) {
  switch (kind) {
    case 3:
      return {{2, 0}, 3};
    case 4:
    case 5:
      return {{2, 3}, 5};
    case 6:
      return {{2, 3}, 4};
    default:
      return {{0, 0}, 0};
  }
}
