#pragma once

#include <cstdint>

// Least-significant-byte radix sort of IEEE 754 single-precision keys. Returns count ranks
// (indices into keys) in ascending order of the keys, or null for null keys or a count of 0.
// Equal non-negative keys keep their input order; equal negative keys come out reversed
// (unless the input was already in order, which is returned as it is).
// Input already in order is recognised in the counting walk and costs no pass; a pass whose
// byte all keys share is skipped.
//
// The ranks live in two buffers shared by every caller, valid until the next sort: game thread
// only, one sort at a time.
const uint32_t* l3dRadixSort(const float* keys, uint32_t count);

// Frees the shared rank buffers (also done at exit).
void l3dRadixSortRelease();
