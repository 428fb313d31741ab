#pragma once

#include "image/omb/ombImage.h"

// The module's hooks as ombImageInit installed them: null before the first init.
OMB_IMAGE_INFO_HOOK ombImageInfoHook();
// The loader of a source value; null for the container (read without a hook) and any source
// without one.
OMB_IMAGE_LOADER ombImageLoader(uint32_t source);
