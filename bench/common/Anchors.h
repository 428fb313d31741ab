#pragma once

// What benchmarks measure beside their own work in the same run (the machine is shared and
// absolute times drift), and the processor clock they time their own loops with.

// Processor seconds this process has used.
double processCpuSeconds();

// Processor seconds of one std::stable_sort of 2000 fixed pseudo-random keys (copied in first),
// the anchor that benchmarks print their ratios against.
double stableSortAnchorSeconds();

// Copies of 1 MiB per second by memcpy (wall time).
double memcpyMiBPerSecond();

// The map description of a 60 x 60 floor with 10 x 10 small rooms on it (for tools/mapwrite).
const char* floorWithRoomsDescription();
