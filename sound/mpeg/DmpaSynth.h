#pragma once

#include "sound/mpeg/Dmpa.h"

// The synthesis entries: index = 12 * (layer III) + 6 * (8-bit) + 2 * rate shift + (channels - 1).
DmpaSynth12 DmpaSynthEntry12(int index);
DmpaSynth3 DmpaSynthEntry3(int index);
int DmpaSynthIndex(int rateShift, bool eightBit, int channels);
// Clears both rings and their write offsets.
void DmpaSynthReset(_DMPADECODER* ctx);
