#pragma once

// What benchmarks measure beside their own work in the same run (the machine is shared and
// absolute times drift), and the processor clock they time their own loops with.

// Processor seconds this process has used.
double processCpuSeconds();

// Processor seconds of one std::stable_sort of 2000 fixed pseudo-random keys (copied in first),
// the anchor that benchmarks print their ratios against.
double stableSortAnchorSeconds();

// The main of a benchmark that prints its figures against the stable_sort anchor after the runs:
// runs the benchmarks the arguments select, then measures the anchor and prints its line. Returns
// the anchor in seconds, or 0 when the arguments were refused (the caller exits with 1).
double runBenchmarksThenStableSortAnchor(int argc, char** argv);

// Copies of 1 MiB per second by memcpy (wall time).
double memcpyMiBPerSecond();

// The map description of a 60 x 60 floor with 10 x 10 small rooms on it (for tools/mapwrite).
const char* floorWithRoomsDescription();
