#pragma once

#include "platform/kernel/RecursiveMutex.h"
#include "platform/kernel/Thread.h"

#include <cstddef>
#include <cstdint>

// Threads and critical sections of the framework.

// A started thread's handle: wait(), exitCode() and close() it through the platform layer.
using OMB_THREAD = platform::Thread;
// Returns the thread's exit code.
using OMB_THREAD_PROC = uint32_t (*)(void* data);
using OMB_CRITICAL_SECTION = platform::RecursiveMutex;

// Priority index of ombThreadCreate.
inline constexpr uint32_t OMB_THREAD_PRIORITY_HIGHEST = 0;
inline constexpr uint32_t OMB_THREAD_PRIORITY_ABOVE_NORMAL = 1;
inline constexpr uint32_t OMB_THREAD_PRIORITY_NORMAL = 2;
inline constexpr uint32_t OMB_THREAD_PRIORITY_BELOW_NORMAL = 3;
inline constexpr uint32_t OMB_THREAD_PRIORITY_LOWEST = 4;
inline constexpr uint32_t OMB_THREAD_PRIORITY_TIME_CRITICAL = 5;

// Exit code of a thread whose procedure threw; the exception itself is handed over to the game
// thread (ombThreadFault.h).
inline constexpr uint32_t OMB_THREAD_FAULT_EXIT_CODE = 0xFFFFFFFFu;

// Starts proc(data) with the stack size (0: the default) and the priority of the index (best
// effort; an index above 5 is normal). Stores the handle in `out` when given (the caller closes
// it), else closes it. 1, or OMB_ERR_CREATE when no thread could be started.
int32_t ombThreadCreate(OMB_THREAD** out, OMB_THREAD_PROC proc, void* data, uint32_t priority,
                        std::size_t stackSize);

// Creates the section in place; failure is the level-0 "Error: Out of memory.".
void ombInitCriticalSection(OMB_CRITICAL_SECTION* section);

// The process-wide pool of thread start records, driven by the core.
void ombThreadRecordPoolInit();
void ombThreadRecordPoolUninit();
