#pragma once

// Processor time for benchmarks that time their own loops: on a shared machine wall time also
// counts other programs.

// Processor seconds this process has used.
double processCpuSeconds();

// Processor seconds of one std::stable_sort of 2000 fixed pseudo-random keys (copied in first),
// the anchor that benchmarks print their ratios against.
double stableSortAnchorSeconds();
