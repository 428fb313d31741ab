#include "platform/app/Com.h"

#include "platform/app/StepFailure.h"

namespace platform {

namespace {

thread_local int comCount = 0;

}  // namespace

int32_t coInitialize() {
  if (appStepFails("com")) return kComFailed;
  return comCount++ == 0 ? kComOk : kComAlready;
}

void coUninitialize() {
  if (comCount > 0) --comCount;
}

int comInitCount() { return comCount; }

void initCommonControls() {}

}  // namespace platform
