#pragma once

#include <cstddef>
#include <cstdint>

// The byte-level parts of the search for audio data in a file.

// Length of an ID3v2 tag that starts at `bytes` (header, body and footer), or 0 when there is
// none. A tag at the start of a file must be stepped over: an embedded picture can hold bytes
// that look like a frame sync.
size_t DmpaId3v2Length(const uint8_t* bytes, size_t size);

// Position of the first frame sync in a block of n bytes: a byte 0xFF followed by a byte whose
// top four bits are 0xF or 0xE, at positions 0 to n - 4 (the last three positions of a block are
// not examined); -1 when there is none.
long DmpaFindSync(const uint8_t* block, size_t n);

// Whether the last 128 bytes of a file (given as `tail`, 3 bytes at size - 128) open an ID3v1
// block.
bool DmpaIsId3v1(const uint8_t* tail);
