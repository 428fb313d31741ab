#pragma once

#include "foundation/dbtl/DFile.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lfm/LFmOverride.h"
#include "foundation/lfm/lfmPack.h"
#include "testsupport/DMemorySource.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The registered pack of a test: the unnamed pack read through an override that serves files
// from memory, by the exact names the device asks for.
class MemoryPack : public LFmOverride {
 public:
  bool IsDataExist(const char* name) override { return files.count(name) != 0; }
  void OpenData(dbtl::DFile& file, const char* name, uint32_t) override {
    auto it = files.find(name);
    if (it == files.end()) lerrFatal("missing test file %s", name);
    dbtl::rcptr<DMemorySource> source;
    source.Create(1);
    source->data = it->second;
    file.Close();
    file.OpenOverride(name, source);
  }

  std::map<std::string, std::vector<uint8_t>> files;
};

// Installs a MemoryPack as the registered pack for the lifetime of the object.
class PackScope {
 public:
  PackScope() {
    lfmTerm();
    m_files.Create(1);
    m_pack = lfmRegistPack("");
    lfmRegistOverride(m_files);
    current() = m_pack;
  }
  ~PackScope() {
    lfmTerm();
    current() = 0;
  }
  PackScope(const PackScope&) = delete;
  PackScope& operator=(const PackScope&) = delete;

  void Add(const std::string& name, std::vector<uint8_t> bytes) {
    m_files->files[name] = std::move(bytes);
  }
  void Remove(const std::string& name) { m_files->files.erase(name); }
  int32_t Number() const { return m_pack; }
  // The pack of the scope alive now (0 when none): what the test device is told the host
  // registered.
  static int32_t& current() {
    static int32_t pack = 0;
    return pack;
  }

 private:
  dbtl::rcptr<MemoryPack> m_files;
  int32_t m_pack = 0;
};

// Bytes stored position-scrambled: each combined with the low eight bits of its offset.
inline std::vector<uint8_t> Scrambled(std::vector<uint8_t> bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] ^= uint8_t(i);
  return bytes;
}

inline std::vector<uint8_t> TokenBytes(std::initializer_list<uint32_t> tokens) {
  std::vector<uint8_t> bytes;
  for (uint32_t t : tokens) {
    for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(t >> (8 * i)));
  }
  return bytes;
}
