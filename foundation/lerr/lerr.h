#pragma once

#include <cstdint>
#include <string>

// Error reporting of the game library: a fatal error is formatted, written to the base
// library's debug log, shown in a message box or queued for later, and then ends the game by
// throwing LExceptGame. Formats are 8-bit printf formats (code page 932 text); a formatted
// message is cut to 2071 bytes.
//
// Everything here may be called from any thread. A fatal error on a worker thread unwinds to the
// thread's entry, which hands the exception to the game thread (ombThreadFault.h).

// Mode bits.
inline constexpr uint32_t LERR_MODE_SHOW = 1;   // a message box for each reported message
inline constexpr uint32_t LERR_MODE_QUEUE = 2;  // a copy of each message kept for lerrShowQueued

// Caption of every message box of this module.
inline constexpr const char* LERR_CAPTION = "Code:QZ";

// Size of the formatting buffer: messages are cut to one byte less.
inline constexpr uint32_t LERR_MESSAGE_BUFFER = 2072;

// Module settings; from start-up the mode is LERR_MODE_SHOW and the threshold 2. The host
// switches to queueing (mode 2) and threshold 0 once its log route is in place.
void lerrSetMode(uint32_t mode);
uint32_t lerrGetMode();
// Log lines of a level above the threshold are dropped.
void lerrSetThreshold(int32_t threshold);
int32_t lerrGetThreshold();

[[noreturn]] void lerrFatal(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The text lerrFatal would report for the same format and arguments (cut the same way), for a
// parser that hands its error back as a value; the boundary then raises it with
// lerrFatal("%s", text).
std::string lerrFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
void lerrWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Formats and writes one line at the level (see lerrLogLine).
void lerrLog(int32_t level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// lerrFatal / lerrLog with the full name of a data file of a pack (lfmGetPackFileName) as the
// format's only argument.
[[noreturn]] void lerrFatalPackFile(const char* name, const char* format, int32_t pack);
void lerrLogPackFile(const char* name, int32_t level, const char* format, int32_t pack);

// Writes the text at level 0, then shows it and/or queues it as the mode says.
void lerrReport(const char* text);
// When the level is not above the threshold: the text (unless null) and a line end on the
// base library's debug log.
void lerrLogLine(const char* text, int32_t level);
[[noreturn]] void lerrThrow();

// Shows every queued message in order, each in its own box, and empties the queue.
void lerrShowQueued();
// Empties the queue and frees the radix-sort scratch buffers. The module stays usable.
void lerrTerm();
