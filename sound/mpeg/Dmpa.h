#pragma once

#include <cstddef>
#include <cstdint>

// The MPEG audio decoder core: plain functions over a caller-owned decoder context. Nothing is
// logged; a failing call returns 0 and leaves an error code in the context.

// Error codes left in `_DMPADECODER::error`.
enum : int {
  DMPA_ERR_NOSYNC = 3,    // no frame sync at the given position (or a frame of another stream)
  DMPA_ERR_HEADER = 4,    // a header field out of range, or an unusable "Xing" header
  DMPA_ERR_TOOSHORT = 5,  // too few bytes
};

// Output flag bits of `_DMPADECODER::outputFlags`.
enum : uint32_t {
  DMPA_OUT_CHANNELS_AS_CODED = 0,
  DMPA_OUT_MIX = 1,
  DMPA_OUT_FIRST = 2,
  DMPA_OUT_SECOND = 3,
  DMPA_OUT_CHANNEL_MASK = 3,
  DMPA_OUT_8BIT = 8,
};

// The bytes the first Decode needs before it starts the stream.
constexpr size_t DMPA_FIRST_FRAME_BYTES = 156;
constexpr size_t DMPA_RESERVOIR_BYTES = 8192;

// The bit reader. It never loads a byte at or past `end`: bits beyond the data read as zeros,
// so a damaged frame cannot make it read outside the bytes it was given.
struct _DMPABITS {
  uint64_t acc;              // bits not yet consumed, in the low `count` bits
  int count;                 // number of valid bits in acc
  const uint8_t* begin;      // where the current data begins
  size_t next;               // offset of the next byte to load (may pass `end`)
  size_t end;                // bytes that may be loaded
};

struct _DMPAHEADER {
  int version;        // 1 = MPEG-1, 2 = MPEG-2, 3 = MPEG-2.5
  int layer;          // 1, 2 or 3
  int crc;            // 1 when a CRC word follows the header
  int bitrateIndex;   // 0-15
  int sampleIndex;    // 0-3
  int padding;
  int privateBit;
  int mode;           // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
  int modeExtension;
  int copyright;
  int original;
  int emphasis;
};

struct _DMPAFRAMEINFO {
  _DMPAHEADER header;
  int channels;        // output channels, 1 or 2
  int bitsPerSample;   // 8 or 16
  int sampleRate;      // Hz, after the rate shift
  int bitrate;         // bit/s, 0 when a "Xing" or "VBRI" header was found
  uint32_t frameCount; // from that header, else 0
  int frameBytes;      // length of this frame when such a header was found, else 0
  uint32_t byteCount;  // from that header, else 0
  int shortestFrame;
  int longestFrame;
  int pcmBytes;        // PCM bytes one frame decodes to
};

// One call of DmpaDecodeFrame: in, the data and its size; out, the bytes consumed and written.
struct _DMPAFRAME {
  _DMPAHEADER header;
  const uint8_t* data;
  size_t size;         // bytes available; replaced by the bytes consumed
  uint8_t* out;
  int pcmWritten;
};

struct _DMPADECODER;
struct DmpaTables;

// A layer decoder: decodes the frame at `data` (frame->size bytes, at least the frame length).
using DmpaLayerDecoder = void (*)(_DMPADECODER* ctx, const _DMPAFRAME* frame, const uint8_t* data,
                                  uint8_t* out);
// Synthesis of layers I and II: `slots` time slots of 64 floats.
using DmpaSynth12 = void (*)(_DMPADECODER* ctx, const float* samples, uint8_t* out, int slots);
// Synthesis of layer III: 18 time slots of 32 floats of each output channel, the second
// channel's 18 * 32 floats after the first's.
using DmpaSynth3 = void (*)(_DMPADECODER* ctx, const float* hybrid, uint8_t* out);
// Layer III channel handler: runs the hybrid filter bank and the synthesis of one granule.
using DmpaChannelHandler = void (*)(_DMPADECODER* ctx, uint8_t* out, int granule);

// Layer I/II state: the command list compiled from a frame's allocation.
struct DmpaLayer12 {
  int entries;          // positions per slot: 32 (one channel) or 64 (two)
  int limit;            // first position whose samples are skipped
  int classLimit;       // layer II: positions that carry an allocation
  int groupCount[4];    // layer II: positions per allocation group
  uint8_t groupMap[4][16];
  int skipBits;
  uint8_t command[66];
  uint8_t alloc[66];    // layer I allocation / layer II quantisation class
  uint8_t selector[65]; // layer II scale factor selector
  float base[66];
  float factor[66][3];
};

// Layer III side information of one granule and channel.
struct DmpaGranule {
  int part23Length;
  int bigValues;
  int globalGain;
  int scalefacCompress;
  int windowSwitching;
  int blockType;
  int mixedBlock;
  int tableSelect[3];
  int subblockGain[3];
  int region0Count;
  int region1Count;
  int preflag;
  int scalefacScale;
  int count1Table;
};

struct DmpaLayer3 {
  int channels;
  int msOn, isOn;
  int mainDataBegin;
  int privateBits;
  int scfsi[2];
  DmpaGranule side[2][2];           // [granule][channel]
  int scalefac[2][2][62];           // [granule][channel]: 22 long or 3 x 13 short (window-major)
  int isMax[2][62];                 // MPEG-2 intensity: the illegal position per band
  float spectrum[2][576];           // [channel]
  float overlap[2][32][18];         // [channel][subband]
  int overlapSubbands[2];           // subbands whose overlap may be non-zero
  int nonzero[2];                   // lines that may be non-zero, per channel
  int blockType[2], mixed[2];       // of the granule being filtered
  int shortMaxBand[2][3];           // highest non-zero short band per window, -1 for none
  int longBands[2];                 // long scale factor bands of the granule
  int mixedLongBands;               // 8 (MPEG-1) or 6 (MPEG-2/2.5)
  int huffmanLimit, longLimit, shortLimit, hybridSubbands;
  int longBound[23];
  int shortBound[14];
  int shortWidth3[13];
  uint8_t reservoir[DMPA_RESERVOIR_BYTES];
  int fill;
  int start;
  long bitPos;
  int toggle;
  float hybrid[2][18 * 32];         // [channel]: the hybrid filter's output, by time slot
};

struct _DMPADECODER {
  _DMPABITS bits;
  int rateShift;        // 0 full rate, 1 half, 2 quarter
  uint32_t outputFlags; // DMPA_OUT_*
  int cutoff;           // Hz
  // Stream parameters fixed at the stream start.
  int codedRate;
  int pcmBytes;
  int streamVersion, streamLayer, streamSampleIndex;
  DmpaLayerDecoder layerDecoder;
  DmpaSynth12 synth12;
  DmpaSynth3 synth3;
  DmpaChannelHandler channelHandler;
  int frameBytes;
  int error;
  // Synthesis rings: 16 time slots of the matrixing output per channel, each written twice (at
  // its slot and 16 further on) so that any 16 successive slots lie in order, and the slots'
  // middle values by the slot's parity, written twice likewise (see DmpaSynth.cpp).
  float ring[2][32][2][16];
  float ringCentre[2][2][16];
  int ringOffset;       // the slot the next time slot goes to, the same for both channels
  // Layer I/II time slots (36 x 64 floats).
  float samples[2 * 2 * 576];
  int subbands;
  const DmpaTables* tables;
  DmpaLayer12 l12;
  DmpaLayer3 l3;
};

void DmpaInit(_DMPADECODER* ctx);
int DmpaParseHeader(_DMPAHEADER* header, const uint8_t* bytes, _DMPADECODER* ctx);
// `size` bytes are readable at `bytes`; the "Xing"/"VBRI" tag is looked for only when it fits.
int DmpaGetFrameInfo(_DMPAFRAMEINFO* info, _DMPADECODER* ctx, const uint8_t* bytes, size_t size,
                     int first);
int DmpaStartStream(_DMPADECODER* ctx, const uint8_t* bytes, size_t size);
int DmpaDecodeFrame(_DMPADECODER* ctx, _DMPAFRAME* frame);
// Subbands decoded for the context's cut-off and rate shift at the coded sample rate.
int DmpaSubbandCount(const _DMPADECODER* ctx);
// Length in bytes of a frame with this header, at the sample rate `rate`.
int DmpaFrameLength(const _DMPAHEADER& header, int rate);
