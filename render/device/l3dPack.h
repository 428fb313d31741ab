#pragma once

#include <cstdint>

// The pack the host registered at start-up (lfmRegistPack of the one unnamed pack), in which
// the device looks up shader and texture files. The host sets it once after registering.
void l3dSetRegisteredPack(int32_t pack);
int32_t l3dRegisteredPack();
