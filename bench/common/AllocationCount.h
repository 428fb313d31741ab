#pragma once

// A benchmark program that links bench_allocations has every allocation of the process go
// through a counting operator new; it reads the count before and after what it measures.

#include <cstdint>

uint64_t benchAllocations();
