#include "platform/app/ProcessStart.h"

namespace platform {

InstanceHandle processInstance() {
  static const char token = 0;
  return &token;
}

}  // namespace platform
