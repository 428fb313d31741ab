#pragma once

#include "foundation/omb/file/ombFile.h"

#include <cstdint>

// The platform module of the framework: the application's data folders, the log file and the
// "debug" section of the settings file. The log output writes each message as a line of the log
// file (UTF-8 with a byte-order mark, CR LF line ends) when its level is at most the written
// level, and shows levels 0 and 1 in a message box captioned with the level's prefix.
//
// The settings, log and parameter files are named after the executable (a trailing ".exe" is
// removed; no other extension is) and live in the application's sub-directory of the local
// application-data folder: "//<localappdata>/" + name + "." + extension.

// Units of the file-name buffers of ombMswGetAppDataFileName and ombMswConfigGetIniFileName.
inline constexpr uint32_t OMB_MSW_PATH_CAPACITY = 260;

// Once: makes the local and roaming application-data folders (failure: the level-0 "Error: Can't
// initialized."), installs ombMswLogOutput, reads the section "debug" ("level", "file",
// "fileFlush"), creates the log file anew when "file" is non-zero, and registers ombMswUninit
// with atexit.
void ombMswInit();
// Once: restores the default log output, closes the log file, clears the owner window.
void ombMswUninit();

// The log output callback (runs under the log lock; takes the file lock inside it).
void ombMswLogOutput(int32_t level, const char16_t* text);

// Messages of a level at most this are written to the log file (initially 2, "message").
void ombMswSetLogLevel(int32_t level);
int32_t ombMswGetLogLevel();
// The open log file, or null. Written only under the log lock.
OMB_FILE* ombMswGetLogFile();

// The window that owns the log's message boxes; null gives ownerless boxes.
void ombMswSetOwnerWindow(void* window);
void* ombMswGetOwnerWindow();

// "//<localappdata>/" + the executable's name + "." + extension (a leading "." of the extension
// is not doubled), cut to OMB_MSW_PATH_CAPACITY - 1 units; returns the full length.
uint32_t ombMswGetAppDataFileName(char16_t* out, const char16_t* extension);
// The settings file's native path, cut like the above; returns the full length.
uint32_t ombMswConfigGetIniFileName(char16_t* out);
