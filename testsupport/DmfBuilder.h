#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds "DMF " container bytes in a test, including containers no writer would make (lying
// offsets, bad name lengths). Entries added with Add get their data placed after the index in
// order; AddRaw writes an index entry exactly as given.
class DmfBuilder {
 public:
  DmfBuilder& Add(const std::string& name, const std::string& data) {
    m_entries.push_back({name, 0, static_cast<uint32_t>(data.size()), data, true,
                         static_cast<uint32_t>(name.size())});
    return *this;
  }
  DmfBuilder& AddRaw(const std::string& name, uint32_t offset, uint32_t size,
                     uint32_t nameLength) {
    m_entries.push_back({name, offset, size, "", false, nameLength});
    return *this;
  }
  DmfBuilder& Magic(const std::string& magic) {
    m_magic = magic;
    return *this;
  }

  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> out(m_magic.begin(), m_magic.end());
    PutU32(out, static_cast<uint32_t>(m_entries.size()));
    size_t indexSize = out.size();
    for (const Entry& e : m_entries) indexSize += 12 + e.name.size();
    uint32_t next = static_cast<uint32_t>(indexSize);
    for (const Entry& e : m_entries) {
      PutU32(out, e.nameLength);
      out.insert(out.end(), e.name.begin(), e.name.end());
      PutU32(out, e.placed ? next : e.offset);
      PutU32(out, e.size);
      if (e.placed) next += e.size;
    }
    for (const Entry& e : m_entries) out.insert(out.end(), e.data.begin(), e.data.end());
    return out;
  }

  static void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }

 private:
  struct Entry {
    std::string name;
    uint32_t offset;
    uint32_t size;
    std::string data;
    bool placed;
    uint32_t nameLength;
  };
  std::string m_magic = "DMF ";
  std::vector<Entry> m_entries;
};
