#pragma once

// The program entry reaches code of libraries that foundation may not use (the image library's
// tables and plug-ins, the host's main routine) through hooks that the executable fills before
// it calls startupMain. A hook left empty is a step that is skipped, except AppMain: without it
// there is nothing to run, and the entry ends with exit code 1.
struct StartupHooks {
  // DimgInitYCbCrTables: the image library's YCbCr conversion tables.
  bool (*initYCbCrTables)() = nullptr;
  // _DSusieInit and _DSusieTerm: load and free the image plug-ins beside the executable.
  void (*pluginInit)() = nullptr;
  void (*pluginTerm)() = nullptr;
  // AppMain: the host's main routine; returns the process exit code.
  int (*appMain)() = nullptr;
};

void startupSetHooks(const StartupHooks& hooks);
const StartupHooks& startupGetHooks();
