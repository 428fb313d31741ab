#pragma once

#include <cstdint>
#include <string>

// The section "debug" of the settings file.
struct OmbMswDebugSettings {
  int32_t level;   // "level": the written level; 2 when missing or unknown
  bool file;       // "file" (default 1): write a log file
  bool fileFlush;  // "fileFlush" (default 0): flush the log file after every line
};

// Written level of a "level" value: "error" 0, "warning" 1, "message" 2, "information" 3,
// "debug" 4 in any ASCII case; any other value gives the fallback.
int32_t ombMswLevelFromName(const char16_t* name, int32_t fallback);

// Reads the section from the settings file at the native path; a missing file gives the defaults.
OmbMswDebugSettings ombMswReadDebugSettings(const std::u16string& iniPath);
