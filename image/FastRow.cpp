#include "image/FastRow.h"

#include "image/RowBlocks.h"

namespace {

constexpr DimgRowRoutineTable kSse2Routines = DimgMakeRowRoutines<DimgSse2Blocks>();

const DimgRowRoutineTable& RoutinesFor(DimgRowLevel level) {
  switch (level) {
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
      RoutinesFor(DimgRowLevelSupported(DimgRowLevel::Avx2)    ? DimgRowLevel::Avx2
                  : DimgRowLevelSupported(DimgRowLevel::Ssse3) ? DimgRowLevel::Ssse3
                                                               : DimgRowLevel::Sse2);
  return best;
}

}  // namespace

bool DimgRowLevelSupported(DimgRowLevel level) {
  if (level == DimgRowLevel::Sse2) {
    return true;
  }
  // The processor model must be read first when this runs before the program's constructors
  // have (a static initialiser that blits); afterwards it is a cheap repeat.
  __builtin_cpu_init();
  return level == DimgRowLevel::Avx2 ? __builtin_cpu_supports("avx2")
                                     : __builtin_cpu_supports("ssse3");
}

DimgRowRoutine DimgConvertRowRoutine(uint32_t d, uint32_t s) {
  return BestRoutines()[d * DImageKindCount + s];
}

DimgRowRoutine DimgConvertRowRoutineAt(DimgRowLevel level, uint32_t d, uint32_t s) {
  return RoutinesFor(level)[d * DImageKindCount + s];
}
