#pragma once

#include <cstdint>
#include <vector>

// A small layer III writer for the decoder's tests. No encoder on the machine writes intensity
// stereo or mixed blocks, so the joint-stereo tests build their frames here: every line is
// coded in the count1 region with table B (values -1, 0 and 1; the loudness comes from the
// global gain and the scale factors), and every frame carries its own main data
// (main_data_begin 0), so each frame decodes on its own.
namespace mpegtest {

// One channel of one granule.
struct L3Channel {
  int blockType = 0;        // 0 = no window switching; 1, 2, 3 with window switching
  bool mixed = false;       // only with block type 2
  int globalGain = 190;
  int scalefacCompress = 0; // MPEG-1: 0-15; MPEG-2/2.5: the 9-bit field
  bool scalefacScale = false;
  bool preflag = false;     // MPEG-1 only
  int subblockGain[3] = {0, 0, 0};
  int longSf[22] = {};      // scale factors of long bands 0-20 (21 carries none)
  int shortSf[13][3] = {};  // [band][window], bands 0-11 (12 carries none)
  int values[576] = {};     // quantised lines in the order they are coded: -1, 0 or 1
};

struct L3Frame {
  int version = 1;          // 1 = MPEG-1, 2 = MPEG-2, 3 = MPEG-2.5
  int sampleIndex = 0;
  int bitrateIndex = 14;
  int mode = 1;             // 1 joint stereo, 3 single channel, ...
  int modeExtension = 1;    // bit 0 intensity, bit 1 mid/side
  L3Channel gr[2][2];       // [granule][channel]; MPEG-2/2.5 uses granule 0 only
};

// The frame's bytes (exactly its length); the test fails when the content does not fit.
std::vector<uint8_t> BuildLayer3Frame(const L3Frame& frame);

// Position in coding order of line k of long band `band`, or of line k of short band `band` in
// window `window` (a mixed block codes its long bands, 0-7 for MPEG-1 and 0-5 for MPEG-2/2.5,
// then its short bands from 3 on, at the same positions as a pure short block).
int Layer3LongLine(int version, int sampleIndex, int band, int k);
int Layer3ShortLine(int version, int sampleIndex, int band, int window, int k);

}  // namespace mpegtest
