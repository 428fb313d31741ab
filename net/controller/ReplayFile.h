#pragma once

#include <cstdint>

class File;

// A replay file records a match as its inputs, big-endian through the file layer: the game
// version, the match's random seed, then one controller stream per player slot (slot 0 first),
// each written by Controller::writeReplay and read by a ControllerReplay.
struct ReplayHeader {
  uint32_t version = 0;
  uint32_t seed = 0;
};

// Creates (or truncates) the file on disk and writes the header. The streams follow when the
// match ends; a match that ends another way leaves the header alone.
void replayCreate(File& file, const char16_t* path, const ReplayHeader& header);
// Opens the file on disk only (never from the resource archives) and reads the header; the
// streams are read next, one ControllerReplay per slot.
ReplayHeader replayOpen(File& file, const char16_t* path);
