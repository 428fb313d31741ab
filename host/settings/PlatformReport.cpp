#include "host/settings/PlatformReport.h"

#include "foundation/omb/ombCpu.h"
#include "foundation/omb/text/ombFormat.h"
#include "platform/text/Utf8.h"

#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

struct ProcessorId {
  char vendor[12] = {};
  uint32_t eax = 0, ebx = 0, edx = 0, ecx = 0;  // leaf 1, zero when it does not exist
};

ProcessorId identifyProcessor() {
  ProcessorId id;
#if defined(__x86_64__) || defined(__i386__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(0, &a, &b, &c, &d)) {
    // The vendor text is EBX, EDX, ECX, low byte first.
    std::memcpy(id.vendor, &b, 4);
    std::memcpy(id.vendor + 4, &d, 4);
    std::memcpy(id.vendor + 8, &c, 4);
    const unsigned highest = a;
    if (highest >= 1 && __get_cpuid(1, &a, &b, &c, &d)) {
      id.eax = a;
      id.ebx = b;
      id.edx = d;
      id.ecx = c;
    }
  }
#endif
  return id;
}

// Major, minor and patch numbers of a release text such as "6.1.0-13-amd64".
void releaseNumbers(const char* release, uint32_t (&numbers)[3]) {
  unsigned n[3] = {0, 0, 0};
  std::sscanf(release, "%u.%u.%u", &n[0], &n[1], &n[2]);
  for (int i = 0; i < 3; ++i) numbers[i] = n[i];
}

}  // namespace

std::u16string ombMswConfigOsName(const char* system, const char* release, const char* machine) {
  std::string name = std::string(system) + " " + release;
  const std::string arch = machine;
  if (arch == "x86_64" || arch == "aarch64" || arch == "ppc64le" || arch == "s390x" ||
      arch == "riscv64") {
    name += ", 64bit";
  } else if (arch == "ia64") {
    name += ", IA64";
  } else if (arch.size() == 4 && arch[0] == 'i' && arch.substr(2) == "86") {
    name += ", 32bit";
  } else {
    name += ", unknown-arch";
  }
  return platform::utf8ToUtf16(name);
}

std::u16string ombMswConfigPlatformReport() {
  utsname system{};
  uname(&system);
  // "%lu" takes the original's 32-bit long.
  uint32_t version[3];
  releaseNumbers(system.release, version);
  struct sysinfo memory {};
  sysinfo(&memory);
  const unsigned long long unit = memory.mem_unit ? memory.mem_unit : 1;
  const ProcessorId cpu = identifyProcessor();
  char processor[96];
  std::snprintf(processor, sizeof processor, "Vendor(%.12s) Features(%x/%x/%x/%x)", cpu.vendor,
                cpu.eax, cpu.ebx, cpu.edx, cpu.ecx);
  // The vendor's characters may include NULs on an unknown processor: they end the text early
  // here, which the report tolerates.
  const std::u16string os = ombMswConfigOsName(system.sysname, system.release, system.machine);
  const std::u16string build = platform::utf8ToUtf16(system.version);
  const std::u16string cpuText = platform::utf8ToUtf16(processor);
  char16_t text[1024];
  // Linux has no platform id, service pack or suite: the system's version text stands in the
  // service-pack place and the other fields are 0.
  ombStrPrintf(text, 1024,
               u"-----\r\nPlatform\r\n  OS: %ls\r\n  RawVer: %lu/%lu/%lu/%lu/[%ls]/%u/%u/%x/%u\r\n"
               u"  Memory: Free %I64u, Total %I64u\r\n  Processor: %ls\r\n"
               u"  Processor Count: %u\r\n  Processor Features: %ls\r\n\r\n",
               os.c_str(), version[0], version[1], version[2], 0u, build.c_str(), 0u, 0u, 0u,
               0u, static_cast<unsigned long long>(memory.freeram) * unit,
               static_cast<unsigned long long>(memory.totalram) * unit, cpuText.c_str(),
               ombCpuInfo.processorCount,
               (ombCpuInfo.features & OMB_CPU_FEATURE_SSE2) ? u"SSE2" : u"");
  return text;
}
