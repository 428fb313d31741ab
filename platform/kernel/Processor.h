#pragma once

#include <sched.h>

namespace platform {

// Number of processors the process may run on; at least 1.
unsigned processorCount();

// The processors the process could use when it started, before any thread narrowed its own
// affinity. Threads started by the platform layer run on this whole set, as they would on a
// system where a new thread does not inherit its creator's binding.
const cpu_set_t& processAffinity();

}  // namespace platform
