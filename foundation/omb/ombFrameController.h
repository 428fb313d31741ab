#pragma once

#include <cstdint>

// Paces a fixed-rate loop on the timer module's counter: frames are due at a 16.16 fixed-point
// interval, a frame that is already due or late is skipped (not drawn) to catch up, a machine
// that keeps falling behind gets a forced-skip level (of every n + 1 frames n are skipped), at
// least one frame a second is drawn, and a drawn frame waits until it is due.
struct OMB_FRAMECONTROLLER {
  uint64_t interval;  // 16.16 fixed-point ticks per frame
  uint64_t fraction;  // fixed-point remainder carried between frames
  bool skip;          // decision of the last update
  uint32_t forcedSkipLevel;  // 0 to 4
  uint32_t forcedSkipCounter;
  uint64_t start;     // tick count at the last reset
  uint64_t schedule;  // ticks after start at which the current frame is due
  uint64_t secondStart;  // tick count where the statistics second began
  uint32_t framesThisSecond;
  uint32_t framesLastSecond;
  uint32_t drawnThisSecond;
  uint32_t drawnLastSecond;
  int32_t adaptation;  // slow seconds in a row; -1 after a reset
  uint64_t lastDraw;   // tick count of the last update that did not skip
  uint32_t framesPerSecond;
};

inline constexpr uint32_t OMB_FRAMECONTROLLER_MAX_LEVEL = 4;

void ombFrameControllerInit(OMB_FRAMECONTROLLER* controller, uint32_t framesPerSecond);
void ombFrameControllerReset(OMB_FRAMECONTROLLER* controller);
// Called once per frame before drawing; true when this frame is skipped.
bool ombFrameControllerUpdate(OMB_FRAMECONTROLLER* controller);
// Called after drawing: a drawn frame sleeps until it is due.
void ombFrameControllerWait(OMB_FRAMECONTROLLER* controller);
