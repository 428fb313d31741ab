#include "render/device/l3dPack.h"

int32_t l3dRegisteredPack(const L3DPack* pack) {
  return pack != nullptr ? pack->GetRegisteredPack() : 0;
}
