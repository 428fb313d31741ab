#include "platform/kernel/FloatControl.h"

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include <cfenv>

namespace platform {

void applyGameFloatControl() {
  std::fesetround(FE_TONEAREST);
#if defined(__SSE__)
  uint32_t state = _mm_getcsr();
  state &= ~kFloatRoundingMask;
  state |= kFloatFlushToZero | kFloatDenormalsAreZero;
  _mm_setcsr(state);
#endif
}

uint32_t gameFloatControlBits() {
#if defined(__SSE__)
  return _mm_getcsr() & (kFloatFlushToZero | kFloatDenormalsAreZero | kFloatRoundingMask);
#else
  return 0;
#endif
}

}  // namespace platform
