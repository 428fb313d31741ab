#pragma once

#include "render/sprite1/sprite1.h"

class System;

// Sprite layer 1 as an engine of this host uses it: the renderer, the configured screen size
// and resource scale, and images loaded by the model library's texture loader from the
// System's pack.
sprite1::SystemConfig engineSprite1Config(System& system);
