#include "foundation/startup/Dmath.h"

#include <bit>
#include <cmath>

float DmathSinTable[DMATH_SIN_TABLE_SIZE];
uint32_t DmathSqrtTable[2][DMATH_SQRT_HALF_SIZE];

namespace {

constexpr double kStep = 2.0 * 3.14159265358979323846 / 4096.0;
constexpr uint32_t kMantissaMask = 0x007FFFFF;

uint32_t bitsOf(float value) { return std::bit_cast<uint32_t>(value); }
float floatOf(uint32_t bits) { return std::bit_cast<float>(bits); }

}  // namespace

void DmathInitTables() {
  for (uint32_t i = 0; i < DMATH_SIN_TABLE_SIZE; ++i) {
    DmathSinTable[i] = static_cast<float>(std::sin(static_cast<double>(i) * kStep));
  }
  DmathInitSqrtTables();
}

// The roots are taken in double precision and rounded once to float, which gives the float
// nearest to the exact root.
void DmathInitSqrtTables() {
  const uint32_t one = bitsOf(1.0f);
  const uint32_t two = bitsOf(2.0f);
  for (uint32_t i = 0; i < DMATH_SQRT_HALF_SIZE; ++i) {
    const double oneBased = floatOf(one | i << 8);
    const double twoBased = floatOf(two | i << 8);
    DmathSqrtTable[0][i] = bitsOf(static_cast<float>(std::sqrt(twoBased))) & kMantissaMask;
    DmathSqrtTable[1][i] = bitsOf(static_cast<float>(std::sqrt(oneBased))) & kMantissaMask;
  }
}
