#pragma once

#include "sound/mpeg/Dmpa.h"

// Pieces of the layer III decoder shared by its files.

// Reads the side information of a frame into ctx->l3 (granule slot `slot` for MPEG-2/2.5).
// Returns the side information's length in bytes.
int DmpaL3ReadSideInfo(_DMPADECODER* ctx, const _DMPAHEADER& h, int slot);
// Reads the scale factors of one granule and channel from the reservoir reader.
void DmpaL3ReadScaleFactors(_DMPADECODER* ctx, const _DMPAHEADER& h, int gr, int ch);
// Decodes one granule (both channels) and runs the channel handler into `out`.
void DmpaL3DecodeGranule(_DMPADECODER* ctx, const _DMPAHEADER& h, int gr, uint8_t* out);
// The layer III channel handlers, index 0 for a one-channel stream, else 1 + channel bits.
DmpaChannelHandler DmpaL3ChannelHandler(int index);
