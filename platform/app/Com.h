#pragma once

#include <cstdint>

namespace platform {

// The component-object library and the common controls of the original system. Nothing here
// uses components, so initialisation only keeps the per-thread count that the original keeps:
// every successful coInitialize needs one coUninitialize on the same thread.

inline constexpr int32_t kComOk = 0;             // first initialisation on this thread
inline constexpr int32_t kComAlready = 1;        // the thread was initialised before
inline constexpr int32_t kComFailed = static_cast<int32_t>(0x80004005u);

// kComOk or kComAlready, or kComFailed when a test lists "com" in GAME_APP_FAIL (the count is
// then unchanged).
int32_t coInitialize();
// Undoes one successful coInitialize of this thread; without one it does nothing.
void coUninitialize();
// Successful initialisations of this thread not yet undone.
int comInitCount();

// The common controls' classes belong to dialogs that this layer does not draw; the step
// always succeeds.
void initCommonControls();

}  // namespace platform
