#pragma once

#include <string>

// The platform block of the configuration report: the system's name and version, memory,
// processor identification, processor count and features.
std::u16string ombMswConfigPlatformReport();

// The system name of the report: "<system> <release>" and the processor architecture
// (", 32bit", ", IA64", ", 64bit" or ", unknown-arch") by the machine name.
std::u16string ombMswConfigOsName(const char* system, const char* release, const char* machine);
