#include "render/device/l3dPack.h"

namespace {
int32_t gPack = 0;
}

void l3dSetRegisteredPack(int32_t pack) { gPack = pack; }

int32_t l3dRegisteredPack() { return gPack; }
