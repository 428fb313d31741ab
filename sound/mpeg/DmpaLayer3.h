#pragma once

#include "sound/mpeg/Dmpa.h"
#include "sound/mpeg/DmpaVector.h"

// Pieces of the layer III decoder shared by its files.

// Reads the side information of a frame into ctx->l3 (granule slot `slot` for MPEG-2/2.5).
// Returns the side information's length in bytes.
int DmpaL3ReadSideInfo(_DMPADECODER* ctx, const _DMPAHEADER& h, int slot);
// Scale factor band boundaries of a stream: 23 long (0 ... 576) and 14 short (0 ... 192).
const int16_t* DmpaL3LongBounds(int version, int sampleIndex);
const int16_t* DmpaL3ShortBounds(int version, int sampleIndex);
// MPEG-1 scale factor field widths of scalefac_compress: bands 0-10 (short 0-5) and the rest.
void DmpaL3Slen(int scalefacCompress, int* slen1, int* slen2);
// MPEG-2/2.5 scale factors: the four field widths and field counts (a short band counts once
// per window) that scalefac_compress selects; `intensityRight` for the right channel of a
// frame with intensity on, `kind` 0 long, 1 short, 2 mixed. True when the choice implies
// preflag.
bool DmpaL3LsfPartitions(int scalefacCompress, bool intensityRight, int kind, int slen[4], int count[4]);
// Reads the scale factors of one granule and channel from the reservoir reader.
void DmpaL3ReadScaleFactors(_DMPADECODER* ctx, const _DMPAHEADER& h, int gr, int ch);
// Decodes one granule (both channels) and runs the channel handler into `out`.
void DmpaL3DecodeGranule(_DMPADECODER* ctx, const _DMPAHEADER& h, int gr, uint8_t* out);
// The layer III channel handlers, index 0 for a one-channel stream, else 1 + channel bits.
DmpaChannelHandler DmpaL3ChannelHandler(int index);
// The hybrid filter's vector path (DmpaUseSimd chooses it).
void DmpaHybridUseSimd(DmpaSimd level);
// The requantiser's vector path (DmpaUseSimd chooses it).
void DmpaLayer3UseSimd(DmpaSimd level);
