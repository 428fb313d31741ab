#pragma once

#include <cstdint>

struct OMB_SPINLOCK;

// The one leveled message channel of the framework. A message carries a level from 0 (error) to
// 4 (debug) and a UTF-16 text that already begins with its level's prefix ("Error: [%s] ",
// "Warning: [%s] ", "Message: [%s] ", "Information: [%s] ", "Debug: [%s] ").
inline constexpr int32_t OMB_LOG_ERROR = 0;
inline constexpr int32_t OMB_LOG_WARNING = 1;
inline constexpr int32_t OMB_LOG_MESSAGE = 2;
inline constexpr int32_t OMB_LOG_INFORMATION = 3;
inline constexpr int32_t OMB_LOG_DEBUG = 4;

// Longest text in UTF-16 units; a longer message reaches the output empty, never cut.
inline constexpr uint32_t OMB_LOG_MAX_TEXT = 1024;

// Receives every message (terminated text) under the log lock, so outputs of several threads
// never interleave; it may log again (the lock is recursive).
using OMB_LOG_OUTPUT = void (*)(int32_t level, const char16_t* text);
// Runs after every message, outside the lock. The host's hook throws on level 0.
using OMB_LOG_HOOK = void (*)(int32_t level);

// Formats with ombStrVPrintf (capacity 1025 units) and dispatches the text.
void ombLogPrintf(int32_t level, const char16_t* format, ...);
// Dispatches an already formatted text.
void ombLogPuts(int32_t level, const char16_t* text);

// Null restores the default.
void ombLogSetOutput(OMB_LOG_OUTPUT output);
void ombLogSetErrorHook(OMB_LOG_HOOK hook);

// Writes the text and a line feed to standard error as UTF-8.
void _ombLogDefaultOutput(int32_t level, const char16_t* text);
// Level 0 ends the process with exit code 1 (exit-time functions run); other levels return.
void _ombLogDefaultHook(int32_t level);

// The lock every output runs under. Another route into the log file (the host's debug-log
// route) takes it too, so its lines never meet the output's inside the file.
OMB_SPINLOCK& ombLogLock();

// Resets the log lock and both defaults (step of ombCoreInit).
void ombLogReset();
