#pragma once

#include "sound/mpeg/Dmpa.h"

// The layer set-ups run by DmpaStartStream and the frame decoders they install.
void DmpaLayer1Setup(_DMPADECODER* ctx, const _DMPAFRAMEINFO* info);
int DmpaLayer2Setup(_DMPADECODER* ctx, const _DMPAFRAMEINFO* info);
void DmpaLayer3Setup(_DMPADECODER* ctx, const _DMPAFRAMEINFO* info);
void DmpaLayer1Decode(_DMPADECODER* ctx, const _DMPAFRAME* frame, const uint8_t* data, uint8_t* out);
void DmpaLayer2Decode(_DMPADECODER* ctx, const _DMPAFRAME* frame, const uint8_t* data, uint8_t* out);
void DmpaLayer3Decode(_DMPADECODER* ctx, const _DMPAFRAME* frame, const uint8_t* data, uint8_t* out);

// Bitrate in kbit/s by version (1, 2 or 3), layer (1-3) and index.
int DmpaBitrateKbps(int version, int layer, int index);
int DmpaSampleRate(int version, int index);
// Positions of the joint-stereo bound for layers I and II (2 per subband for two channels).
int DmpaJointBound(const _DMPAHEADER& header);
// Output channels of a frame for the context's output flags.
int DmpaOutputChannels(const _DMPADECODER* ctx, const _DMPAHEADER& header);
