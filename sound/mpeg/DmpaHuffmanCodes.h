#pragma once

#include <cstdint>

namespace dmpa {

// One Huffman code table of layer III as the standard defines it: `size` values per axis
// (the pair (x, y) has index x * size + y), a code and a length per pair, and the number of
// linbits that extend a value of 15. A table without codes (0, 4, 14) decodes to zeros.
struct HuffmanCode {
  int size;
  int linbits;
  const uint16_t* codes;
  const uint8_t* lengths;
};

extern const HuffmanCode kHuffmanCodes[32];
// The count-one table A: 16 quadruples, index v * 8 + w * 4 + x * 2 + y.
extern const HuffmanCode kCount1CodeA;

}  // namespace dmpa
