#include "image/FastRow.h"

#include "image/RowBlocks.h"

namespace {

constexpr DimgRowRoutineTable kSse2Routines = DimgMakeRowRoutines<DimgSse2Blocks>();

const DimgRowRoutineTable& RoutinesFor(DimgRowLevel level) {
  switch (level) {
    case DimgRowLevel::Avx512:
      return DimgAvx512RowRoutines();
    case DimgRowLevel::Avx2:
      return DimgAvx2RowRoutines();
    case DimgRowLevel::Ssse3:
      return DimgSsse3RowRoutines();
    case DimgRowLevel::Sse2:
      break;
  }
  return kSse2Routines;
}

// Chosen once: the widest level this processor runs.
const DimgRowRoutineTable& BestRoutines() {
  static const DimgRowRoutineTable& best =
      RoutinesFor(DimgRowLevelSupported(DimgRowLevel::Avx512) ? DimgRowLevel::Avx512
                  : DimgRowLevelSupported(DimgRowLevel::Avx2) ? DimgRowLevel::Avx2
                  : DimgRowLevelSupported(DimgRowLevel::Ssse3) ? DimgRowLevel::Ssse3
                                                               : DimgRowLevel::Sse2);
  return best;
}

}  // namespace

bool DimgRowLevelSupported(DimgRowLevel level) {
  // The processor model must be read first when this runs before the program's constructors
  // have (a static initialiser that blits); afterwards it is a cheap repeat.
  __builtin_cpu_init();
  switch (level) {
    case DimgRowLevel::Avx512:
      // The AVX-512 rows run the AVX2 ones for most pairs and use BMI2 for their tail masks.
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2") &&
             __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
             __builtin_cpu_supports("avx512vbmi");
    case DimgRowLevel::Avx2:
      return __builtin_cpu_supports("avx2");
    case DimgRowLevel::Ssse3:
      return __builtin_cpu_supports("ssse3");
    case DimgRowLevel::Sse2:
      break;
  }
  return true;
}

DimgRowRoutine DimgConvertRowRoutine(uint32_t d, uint32_t s) {
  return BestRoutines()[d * DImageKindCount + s];
}

DimgRowRoutine DimgConvertRowRoutineAt(DimgRowLevel level, uint32_t d, uint32_t s) {
  return RoutinesFor(level)[d * DImageKindCount + s];
}
